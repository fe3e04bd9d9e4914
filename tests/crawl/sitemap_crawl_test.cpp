#include "crawl/CrawlFixture.h"
#include "crawl/SitemapBytes.h"
#include "crawl/WhyLookup.h"
#include "support/FileBytes.h"
#include "support/HostileServer.h"

namespace
{

using namespace sitemap_bytes;
using Strings = std::vector<std::string>;

// A crawl in the site mode with "read the site's sitemap" on.
class SitemapCrawl : public CCrawlTest
{
protected:
    void SetUp() override
    {
        CCrawlTest::SetUp();
        m_core->m_options.m_fileTypes = "ZIP";
        m_core->m_options.m_readSitemap = true;
        m_core->PublishOptions();
    }

    static void Xml(CTestSite& site, const std::string& path, const std::string& body,
                    const std::string& type = "application/xml")
    {
        CTestSite::CResource file;
        file.body = body;
        file.contentType = type;
        site.Put(path, file);
    }

    std::string Log() { return ReadFileBytes(m_dir.File("hvstr.log")); }
};

TEST_F(SitemapCrawl, RobotsNamesAnIndexOfPlainAndPackedSitemaps)
{
    CTestSite site;
    CTestSite other;
    site.Page("/docs/index.htm", "<a href=\"linked.htm\">x</a>");
    for (const char* page : {"/docs/linked.htm", "/docs/deep/only-in-map.htm", "/top.htm"})
        site.Page(page, "");
    site.File("/docs/files/a.zip", 10);
    Xml(site, "/robots.txt", "User-agent: *\nDisallow: /docs/deep/\nSitemap: /maps/index.xml\n",
        "text/plain");
    Xml(site, "/maps/index.xml",
        Index({site.Url("/maps/pages.xml"), site.Url("/maps/files.xml.gz"),
               site.Url("/maps/index.xml")}));
    Xml(site, "/maps/pages.xml",
        UrlSet({site.Url("/docs/deep/only-in-map.htm"), site.Url("/docs/linked.htm"),
                site.Url("/top.htm"), other.Url("/elsewhere.htm"), site.Url("/docs/index.htm")}));
    Xml(site, "/maps/files.xml.gz",
        Gzip(UrlSet({site.Url("/docs/files/a.zip"), site.Url("/docs/files/b.pdf")})),
        "application/gzip");

    Crawl(site.Url("/docs/index.htm"), 1);

    // Not obeying robots.txt still reads its Sitemap lines; each sitemap is read once.
    EXPECT_EQ(site.Gets(),
              (Strings{"/docs/index.htm", "/robots.txt", "/maps/index.xml", "/maps/pages.xml",
                       "/maps/files.xml.gz", "/docs/linked.htm", "/docs/deep/only-in-map.htm"}));
    EXPECT_TRUE(other.Gets().empty()) << "the mode's follow rules judge a sitemap's pages";
    EXPECT_EQ(ListUrls(), Strings{site.Url("/docs/files/a.zip")});
    EXPECT_EQ(WhyAnswer(*m_core, site.Url("/docs/deep/only-in-map.htm")),
              "Read: read as a page of the crawl. Found on " + site.Url("/maps/pages.xml") + ".");
    const auto top = ExplainLink(*m_core, site.Url("/top.htm"));
    ASSERT_TRUE(top.has_value());
    EXPECT_EQ(top->decision.reason, CReason::ParentDirectory);
}

TEST_F(SitemapCrawl, WithoutSitemapLinesTheSitesOwnIsRead)
{
    CTestSite site;
    site.Page("/index.htm", "");
    site.Page("/mapped.htm", "");
    site.File("/mapped.zip", 10);
    Xml(site, "/robots.txt", "User-agent: *\nDisallow: /mapped.zip\n", "text/plain");
    Xml(site, "/sitemap.xml", UrlSet({site.Url("/mapped.htm"), site.Url("/mapped.zip")}));

    // A mode that reads only the start page has no use for the map.
    Crawl(site.Url("/index.htm"), 0);
    EXPECT_EQ(site.Gets(), Strings{"/index.htm"});

    // Obeying robots.txt keeps the sitemap's files to it as well.
    m_core->m_options.m_obeyRobots = true;
    m_core->PublishOptions();
    site.ClearRequests();
    Crawl(site.Url("/index.htm"), 1);
    EXPECT_EQ(site.Gets(), (Strings{"/robots.txt", "/index.htm", "/sitemap.xml", "/mapped.htm"}));
    EXPECT_TRUE(ListUrls().empty());
}

TEST_F(SitemapCrawl, HostileSitemapsFailCleanlyAndTheRestIsRead)
{
    CHostileServer server;
    const std::string robots =
        "Sitemap: " + server.Url("/laughs.xml") + "\nSitemap: " + server.Url("/bomb.xml.gz") +
        "\nSitemap: " + server.Url("/line.xml") + "\nSitemap: " + server.Url("/good.xml") + "\n";
    const auto serve = [&](const std::string& path, std::string type, std::string body)
    {
        server.Handle(path, [type, body](CHostileExchange& exchange)
                      { return exchange.Answer(200, type, body); });
    };
    serve("/robots.txt", "text/plain", robots);
    serve("/", "text/html", "<html></html>");
    serve("/after.htm", "text/html", "");
    serve("/laughs.xml", "application/xml", BillionLaughs());
    serve("/bomb.xml.gz", "application/gzip", GzipBomb());
    serve("/good.xml", "application/xml", UrlSet({server.Url("/after.htm")}));
    // A single 100 MB line, sent as it goes.
    server.Handle("/line.xml",
                  [](CHostileExchange& exchange)
                  {
                      const std::size_t size = 100u * 1024 * 1024;
                      if (!exchange.Send("HTTP/1.1 200 OK\r\nContent-Type: application/xml\r\n"
                                         "Content-Length: " +
                                         std::to_string(size) + "\r\n\r\n<urlset><url><loc>"))
                          return false;
                      const std::string block(64 * 1024, 'a');
                      for (std::size_t sent = 0; sent + block.size() <= size; sent += block.size())
                      {
                          if (!exchange.Send(block))
                              return false;
                      }
                      return false;
                  });

    Crawl(server.Url("/"), 1);

    EXPECT_EQ(server.Requests("/after.htm"), 1);
    const std::string log = Log();
    for (const char* problem :
         {"laughs.xml: it declares a DOCTYPE", "bomb.xml.gz: unpacks to more than 64 MB",
          "line.xml: it is larger than 64 MB"})
        EXPECT_NE(log.find(problem), std::string::npos) << problem << "\n" << log;
}

} // namespace
