// Reads a robots.txt and matches a path against it; input is "path\nrobots.txt".
#include "url/RobotsRules.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\n');
    const std::string_view path = input.substr(0, split);
    const std::string_view text =
        split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

    const CRobotsRules rules(text, "Hvstr152");
    const CRobotsMatch match = rules.Match(path);
    // A refusal always names the rule; the delay is bounded.
    if (match.allowed != match.rule.empty() || rules.CrawlDelay() > kMaxCrawlDelay)
        std::abort();
    return 0;
}
