#pragma once

#include "crawl/SitemapReader.h"

#include <atomic>
#include <string>
#include <vector>

struct CTransferContext;

// What one sitemap file gave: the addresses it lists (what came before any problem) and why
// it was cut short, if it was.
struct CSitemapFile
{
    std::vector<std::string> pages;
    std::vector<std::string> sitemaps;
    std::string problem;
};

// Reads the sitemap at url as its bytes arrive, within a page read's bounds (its time limit,
// limits.maxBytes of packed and of unpacked bytes). cancel stops it.
CSitemapFile FetchSitemap(const std::string& url, const CTransferContext& context,
                          const std::atomic<bool>& cancel, const CSitemapLimits& limits = {});
