#pragma once

#include <cstddef>
#include <string>

// How much one crawl may hold. A site of endless distinct links must end in a result, not in
// an exhausted memory: past a bound no further page is read and nothing more is added.
struct CCrawlBounds
{
    // Files in the found-file list; checked for each file, so the list keeps exactly the first.
    std::size_t maxFoundFiles = 1'000'000;
    // Entries of each structure that grows with the links met: the URL store, a browse's
    // visited set and the kept decisions of links let go. Checked before each page, so a page
    // adds at most its own links (kMaxLinksPerPage) beyond it.
    std::size_t maxEntries = 1'000'000;
};

// What the log and the user are told once a bound stopped the crawl.
std::string CrawlBoundMessage(std::size_t bound);
