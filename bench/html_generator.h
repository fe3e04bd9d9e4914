#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One generated page: the URL it would have been read from and its HTML text.
struct CGeneratedPage
{
    std::string m_url;
    std::string m_html;
};

// Deterministic, realistic HTML for benchmarks: pages of 8 to 200 KB with navigation repeated at
// top and bottom, paragraphs of long text (some UTF-8), link lists, image galleries, tables,
// scripts, comments, image maps and frames; tags and attributes in any case; double-quoted,
// single-quoted and unquoted values; LF or CR LF line ends; blanks or tabs for indentation.
// Never a NUL byte. The same seed gives the same bytes; the pages together hold at least
// totalBytes.
std::vector<CGeneratedPage> GenerateHtmlPages(std::size_t totalBytes, std::uint64_t seed = 1);
