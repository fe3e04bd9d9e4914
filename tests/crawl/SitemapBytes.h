#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>
#include <zlib.h>

// Sitemap files for the tests: plain XML, gzip-packed, and hostile ones.
namespace sitemap_bytes
{

inline std::string UrlSet(const std::vector<std::string>& locs)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
    for (const std::string& loc : locs)
        xml += "  <url>\n    <loc>" + loc + "</loc>\n    <priority>0.5</priority>\n  </url>\n";
    return xml + "</urlset>\n";
}

inline std::string Index(const std::vector<std::string>& locs)
{
    std::string xml = "<?xml version=\"1.0\"?>\n"
                      "<sitemapindex xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
    for (const std::string& loc : locs)
        xml += "<sitemap><loc>" + loc + "</loc><lastmod>2024-01-01</lastmod></sitemap>\n";
    return xml + "</sitemapindex>\n";
}

// One gzip member of bytes.
inline std::string Gzip(std::string_view bytes)
{
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&z, bytes.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    return out;
}

// A few kilobytes that unpack to about a gigabyte of blanks inside a valid urlset, as members
// of a megabyte each: gzip joins members end to end.
inline std::string GzipBomb()
{
    std::string bomb = Gzip("<urlset><url><loc>http://h/before-the-bomb.htm</loc></url>");
    const std::string member = Gzip(std::string(1024 * 1024, ' '));
    for (int i = 0; i < 1024; ++i)
        bomb += member;
    return bomb + Gzip("</urlset>");
}

// Ten levels of entities that expand each other tenfold: a billion "lol"s.
inline std::string BillionLaughs()
{
    std::string xml = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n<!ENTITY lol \"lol\">\n";
    for (int i = 1; i <= 9; ++i)
    {
        xml += "<!ENTITY lol" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j)
            xml += i == 1 ? "&lol;" : "&lol" + std::to_string(i - 1) + ";";
        xml += "\">\n";
    }
    return xml + "]>\n<urlset><url><loc>http://h/&lol9;</loc></url></urlset>\n";
}

} // namespace sitemap_bytes
