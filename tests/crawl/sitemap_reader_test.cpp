#include "crawl/SitemapBytes.h"
#include "crawl/SitemapReader.h"

#include <gtest/gtest.h>

namespace
{

using namespace sitemap_bytes;
using Strings = std::vector<std::string>;

struct ReadCase
{
    const char* name;
    std::string bytes;
    Strings pages;
    Strings sitemaps;
    // A part of the problem text; empty when the file is read whole.
    const char* problem;
    CSitemapLimits limits = {};
};

// Reads the bytes in one piece, and again in pieces of piece bytes: how the bytes arrive never
// changes what is read.
void ExpectRead(const ReadCase& c, std::size_t piece)
{
    CSitemapReader reader(c.limits);
    std::string_view rest = c.bytes;
    while (!rest.empty() && reader.Feed(rest.substr(0, piece)))
        rest.remove_prefix(std::min(piece, rest.size()));
    reader.Finish();
    SCOPED_TRACE(std::string(c.name) + " in pieces of " + std::to_string(piece));
    EXPECT_EQ(reader.Pages(), c.pages);
    EXPECT_EQ(reader.Sitemaps(), c.sitemaps);
    if (*c.problem == '\0')
        EXPECT_EQ(reader.Problem(), "");
    else
        EXPECT_NE(reader.Problem().find(c.problem), std::string::npos) << reader.Problem();
}

TEST(SitemapReader, FilesWellFormedDamagedAndOverTheirBounds)
{
    const std::string plain =
        UrlSet({"http://h/a.htm", "  http://h/b.zip\n ", "http://h/?a=1&amp;b=2"});
    const Strings plainPages = {"http://h/a.htm", "http://h/b.zip", "http://h/?a=1&b=2"};
    const std::string tooLong = "http://h/" + std::string(3000, 'x');
    CSitemapLimits three;
    three.maxEntries = 3;
    std::string deep = "<urlset>";
    for (int i = 0; i < 100; ++i)
        deep += "<d>";

    const ReadCase cases[] = {
        {"urlset", plain, plainPages, {}, ""},
        {"index",
         Index({"http://h/s1.xml", "http://h/s2.xml.gz"}),
         {},
         {"http://h/s1.xml", "http://h/s2.xml.gz"},
         ""},
        {"prefixed",
         "<sm:urlset xmlns:sm=\"http://www.sitemaps.org/schemas/sitemap/0.9\"><sm:url>"
         "<sm:loc>http://h/p</sm:loc></sm:url></sm:urlset>",
         {"http://h/p"},
         {},
         ""},
        {"loc outside url",
         "<urlset><loc>http://h/no</loc><url><x><loc>http://h/no2</loc></x>"
         "</url></urlset>",
         {},
         {},
         ""},
        {"gzip", Gzip(plain), plainPages, {}, ""},
        {"gzip in two members",
         Gzip(plain.substr(0, 100)) + Gzip(plain.substr(100)),
         plainPages,
         {},
         ""},
        {"gzip cut short", Gzip(plain).substr(0, 30), {}, {}, "ends early"},
        {"damaged gzip", "\x1f\x8b" + std::string(200, 'x'), {}, {}, "damaged gzip"},
        {"html", "<html><body><p>Not found</body></html>", {}, {}, "XML error"},
        {"cut xml", plain.substr(0, plain.size() - 12), plainPages, {}, "XML error"},
        {"empty", "", {}, {}, "XML error"},
        {"too many",
         UrlSet({"http://h/1", "http://h/2", "http://h/3", "http://h/4", "http://h/5"}),
         {"http://h/1", "http://h/2", "http://h/3"},
         {},
         "more than 3",
         three},
        {"too long an address",
         UrlSet({"http://h/1", tooLong, "http://h/2"}),
         {"http://h/1", "http://h/2"},
         {},
         ""},
        {"billion laughs", BillionLaughs(), {}, {}, "DOCTYPE"},
        {"external entity",
         "<?xml version=\"1.0\"?><!DOCTYPE u SYSTEM \"file:///etc/passwd\"><urlset/>",
         {},
         {},
         "DOCTYPE"},
        {"nested too deep", deep, {}, {}, "nested too deep"},
    };
    for (const ReadCase& c : cases)
    {
        ExpectRead(c, c.bytes.size() + 1);
        ExpectRead(c, 7);
    }
}

} // namespace
