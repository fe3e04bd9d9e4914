// Reads a sitemap file (plain or gzip) fed in pieces whose sizes the input's first byte picks.
#include "crawl/SitemapReader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t piece = 1 + data[0];
    std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    CSitemapLimits limits;
    limits.maxEntries = 100;
    limits.maxBytes = 1024 * 1024;
    limits.maxLocLength = 200;
    CSitemapReader reader(limits);
    while (!bytes.empty() && reader.Feed(bytes.substr(0, piece)))
        bytes.remove_prefix(std::min(piece, bytes.size()));
    reader.Finish();
    if (reader.Pages().size() + reader.Sitemaps().size() > limits.maxEntries)
        std::abort();
    for (const auto* list : {&reader.Pages(), &reader.Sitemaps()})
        for (const std::string& loc : *list)
            if (loc.empty() || loc.size() > limits.maxLocLength)
                std::abort();
    return 0;
}
