#pragma once

#include "crawl/GzipInflater.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What one sitemap file may hold. A site may publish any bytes, so every count is bounded.
struct CSitemapLimits
{
    // <loc> entries of one file, pages and sitemaps together; the rest are skipped.
    std::size_t maxEntries = 50000;
    // Bytes of XML, after unpacking: the page read's own bound.
    std::uint64_t maxBytes = 64 * 1024 * 1024;
    // A <loc> longer than this is no address of ours and is skipped.
    std::size_t maxLocLength = 2047;
};

// Reads one sitemap file (a <urlset> of pages, or a <sitemapindex> of further sitemaps), plain
// or gzip-packed, as its bytes arrive. The XML is read by a real parser that is never allowed
// to expand an entity: a file that declares a DOCTYPE or an entity is refused at that point.
// What came before a problem or a limit is kept.
class CSitemapReader
{
public:
    explicit CSitemapReader(const CSitemapLimits& limits = {});
    ~CSitemapReader();
    CSitemapReader(const CSitemapReader&) = delete;
    CSitemapReader& operator=(const CSitemapReader&) = delete;

    // The next bytes of the file; false once the reader has stopped (a problem or a limit).
    bool Feed(std::string_view bytes);
    // The end of the file; a file cut short is a problem.
    void Finish();

    // The <loc> of each <url>, and of each <sitemap> of an index, in the file's order.
    const std::vector<std::string>& Pages() const { return m_pages; }
    const std::vector<std::string>& Sitemaps() const { return m_sitemaps; }
    // Why the reader stopped before the end, or what it skipped; empty when all was well.
    const std::string& Problem() const { return m_problem; }

    // Expat's callbacks.
    void OnStart(const char* name);
    void OnEnd();
    void OnText(std::string_view text);
    void Refuse(const char* what);

private:
    struct CParser;
    enum class EOpen : std::uint8_t
    {
        Other,
        Url,
        Sitemap,
        Loc,
    };

    bool ParseXml(std::string_view bytes, bool last);
    void Stop(std::string problem);

    CSitemapLimits m_limits;
    std::unique_ptr<CParser> m_parser;
    std::unique_ptr<CGzipInflater> m_gzip;
    bool m_started = false;
    bool m_stopped = false;
    std::uint64_t m_xmlBytes = 0;
    // The elements open now, innermost last (only what the reader needs of them).
    std::vector<EOpen> m_open;
    std::string m_loc;
    bool m_locTooLong = false;
    std::vector<std::string> m_pages;
    std::vector<std::string> m_sitemaps;
    std::string m_problem;
};
