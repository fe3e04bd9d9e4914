#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The shape of a generated web site.
struct CSiteShape
{
    int m_pages = 2000; // at least 2
    // Every page has exactly this many <a href> links (at least 12).
    int m_linksPerPage = 20;
    // About one downloadable file for this many pages.
    int m_pagesPerFile = 4;
    std::uint64_t m_seed = 2024;
    // Also single-quoted href values and "./" links, which a crawler that keeps single quotes
    // in values or does not fold "./" into the URL text reads wrongly or twice.
    bool m_awkwardLinks = false;
    // Also links to the start page, to pages of the parent directory and to pages anywhere,
    // which a crawler that judges each link against the directory of the page it was found on
    // (and never looks at a link text twice) does not read.
    bool m_crossLinks = false;
    // Every attribute value in double quotes: no unquoted values, which some crawlers misread.
    bool m_quotedValuesOnly = false;
    // Paragraphs of text without links at the end of each page, until the page has at least
    // this many bytes; 0 adds none (pages then have about 7 KB).
    std::size_t m_minPageBytes = 0;
};

// What GenerateSite wrote. Paths are URL paths from the server's document root.
struct CGeneratedSite
{
    std::string m_startPath;
    std::vector<std::string> m_pagePaths;
    std::vector<std::string> m_filePaths;
    // Files that at least one page links to.
    std::size_t m_linkedFiles = 0;
    std::size_t m_links = 0;
    std::size_t m_pageBytes = 0;
    std::size_t m_fileBytes = 0;
    // Pages reached when every link below the start page's directory is followed.
    std::size_t m_reachableBelowStart = 0;
    // What a crawler reads that starts at the start page and, breadth first, follows each link
    // text the first time it meets it, when the link goes into the linking page's directory or
    // below; the start page's own text does not count as met. Not predicted (0) with awkward
    // links.
    std::size_t m_predictedReads = 0;
    std::size_t m_predictedDistinctReads = 0;
};

// Writes a deterministic site below documentRoot: the pages live in a tree of directories four
// levels deep under "/site/", the start page is "/site/index.html", and every page is reachable
// from it through links into the same or a deeper directory; unless asked for cross links, no
// page links to a page above or beside its own directory. Links mix relative, "../" (up and down
// again, and to files), root-relative and fragment forms, mail links and links to files of the
// default file types (1 to 8 KB of bytes each); values are double-quoted or unquoted, tags in
// either case. The same shape gives the same bytes. False with error set when a file cannot be
// written.
bool GenerateSite(const std::string& documentRoot, const CSiteShape& shape, CGeneratedSite& site,
                  std::string& error);
