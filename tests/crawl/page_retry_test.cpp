#include "crawl/CrawlFixture.h"
#include "support/FileBytes.h"
#include "support/FlakyFiles.h"
#include "support/HostileServer.h"

namespace
{

// A crawl of a raw server whose pages fail in turn.
class PageRetryTest : public CCrawlTest
{
protected:
    void SetRetries(int retries)
    {
        m_core->m_options.m_connectRetries = retries;
        m_core->m_options.m_connectTimeout = 5;
        m_core->PublishOptions();
    }

    std::size_t LogCount(const std::string& part)
    {
        const std::string log = ReadFileBytes(m_dir.File("hvstr.log"));
        std::size_t count = 0;
        for (std::size_t at = 0; (at = log.find(part, at)) != std::string::npos; ++at)
            ++count;
        return count;
    }

    CHostileServer m_hostile;
};

TEST_F(PageRetryTest, PagesThatFailInTurnAreReadWhole)
{
    SetRetries(3);
    CFlakyFiles flaky(m_hostile, 502, "");
    // The links sit at the end of each page: a page read only as far as the cut misses them.
    const std::string filler(20000, ' ');
    flaky.Add("/index.htm", "<html>" + filler + "<a href=a.htm></a><a href=b.htm></a></html>",
              "text/html");
    flaky.Add("/a.htm", "<html>" + filler + "<a href=a.zip></a></html>", "text/html");
    flaky.Add("/b.htm", "<html>" + filler + "<a href=b.zip></a></html>", "text/html");
    Crawl(m_hostile.Url("/index.htm"), Mode(10, false, false, 0, 2));

    for (const char* page : {"/index.htm", "/a.htm", "/b.htm"})
    {
        EXPECT_EQ(flaky.Ranges(page).size(), 4u) << page;
        EXPECT_EQ(LogCount("Finished browsing " + m_hostile.Url(page) + "\n"), 1u) << page;
        EXPECT_EQ(LogCount("Retrying " + m_hostile.Url(page) + " in "), 3u) << page;
    }
    EXPECT_EQ(ListUrls(),
              (std::vector<std::string>{m_hostile.Url("/a.zip"), m_hostile.Url("/b.zip")}));
    EXPECT_EQ(m_core->m_stats.m_retries.load(), 9u);
}

TEST_F(PageRetryTest, ASiteThatFailsTenPagesInARowIsGivenUp)
{
    SetRetries(0);
    std::string links;
    for (int i = 0; i < 14; ++i)
    {
        const std::string path = "/p" + std::to_string(i) + ".htm";
        links += "<a href=" + path.substr(1) + "></a>";
        m_hostile.Handle(path, [](CHostileExchange& exchange)
                         { return exchange.Answer(500, "text/html", "down"); });
    }
    m_hostile.Handle("/index.htm", [&](CHostileExchange& exchange)
                     { return exchange.Answer(200, "text/html", "<html>" + links + "</html>"); });
    Crawl(m_hostile.Url("/index.htm"), Mode(20, false, false, 0, 2));

    int requested = 0;
    for (int i = 0; i < 14; ++i)
        requested += m_hostile.Requests("/p" + std::to_string(i) + ".htm");
    EXPECT_EQ(requested, 10);
    EXPECT_EQ(LogCount("Browsing "), 11u);
    EXPECT_EQ(LogCount("Skipping the rest of "), 1u);
}

} // namespace
