#include "core/CrawlBounds.h"

std::string CrawlBoundMessage(std::size_t bound)
{
    // Grouped by thousands with commas, whatever the locale: the text is the same everywhere.
    std::string digits = std::to_string(bound);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, 1, ',');
    return "Stopped: more than " + digits + " links";
}
