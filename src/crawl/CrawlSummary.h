#pragma once

#include <cstdint>
#include <string>

// The status line that ends a crawl: "Finished http://a/: 201 pages, 9 files". A crawl that read
// pages but found no file (and was not stopped) adds why the list may be empty, naming the file
// types searched (fileTypes as the options keep them, ";"-separated).
std::string CrawlSummary(const std::string& site, std::uint32_t pages, std::uint32_t files,
                         bool cancelled, const std::string& fileTypes);

// The status line of a crawl whose start page could not be read, with the reason.
std::string UnreadStartSummary(const std::string& site, const std::string& problem);
