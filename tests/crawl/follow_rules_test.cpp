#include "crawl/CrawlFixture.h"
#include "crawl/SiteBrowser.h"
#include "support/FileBytes.h"
#include "support/TestHttpServer.h"
#include "support/WaitFor.h"

#include <fstream>

namespace
{

class FollowRules : public CCrawlTest
{
protected:
    void Options(const std::string& types, const std::string& excludes, int checkLength = 0)
    {
        m_core->m_options.m_fileTypes = types;
        m_core->m_options.m_excludes = excludes;
        m_core->m_options.m_checkLength = checkLength;
        m_core->m_options.m_minSizeK = 10;
        m_core->m_options.m_maxSizeK = 100;
        m_core->PublishOptions();
    }
    bool Wanted(const std::string& url)
    {
        CSiteBrowser browser(*m_core, *GetMode(0, m_core->m_options));
        CUrl link(url);
        return browser.DecideFile(link).verdict == CVerdict::Listed;
    }

    CTestSite m_site{"127.0.0.1"};
};

TEST_F(FollowRules, SizeLimitsWhenFileIsFound)
{
    Options("ZIP", "", kCheckLengthWhenFound);
    m_site.File("/9216.zip", 9216);
    m_site.File("/10239.zip", 10239);
    m_site.File("/10240.zip", 10240);
    m_site.File("/103423.zip", 103423);
    m_site.File("/103424.zip", 103424);
    m_site.File("/nosize.zip", 200000, false);
    EXPECT_FALSE(Wanted(m_site.Url("/9216.zip")));
    EXPECT_FALSE(Wanted(m_site.Url("/10239.zip")));
    EXPECT_TRUE(Wanted(m_site.Url("/10240.zip")));
    EXPECT_TRUE(Wanted(m_site.Url("/103423.zip")));
    EXPECT_FALSE(Wanted(m_site.Url("/103424.zip")));
    EXPECT_TRUE(Wanted(m_site.Url("/nosize.zip"))) << "no size given: no size test";
    EXPECT_TRUE(Wanted(m_site.Url("/missing.zip"))) << "a failed size query is no size either";

    // Only "when found" asks; the download history refuses whatever the size.
    Options("ZIP", "", kCheckLengthNever);
    m_site.ClearRequests();
    EXPECT_TRUE(Wanted(m_site.Url("/9216.zip")));
    EXPECT_TRUE(m_site.Requests().empty());
    m_core->m_histories.m_fileHistory.Add(m_site.Url("/10240.zip"), {});
    EXPECT_FALSE(Wanted(m_site.Url("/10240.zip")));
}

TEST_F(FollowRules, UnchangedPagesAreSkippedWithOnlyIfModified)
{
    CTestSite::CResource dated;
    dated.body = "<a href=\"f.zip\"></a>";
    dated.lastModified = "Tue, 15 Nov 1994 08:12:31 GMT";
    m_site.Put("/dated.htm", dated);
    m_site.Page("/undated.htm", "<a href=\"g.zip\"></a>");
    auto mode = [this]
    {
        auto m = Mode(0, false, false, 0, 1);
        m->m_onlyIfModified = true;
        return m;
    };

    Crawl(m_site.Url("/dated.htm"), mode());
    Crawl(m_site.Url("/undated.htm"), mode());
    CCalendarTime first;
    ASSERT_TRUE(m_core->m_histories.m_urlHistory.Lookup(m_site.Url("/dated.htm"), first));
    EXPECT_EQ(first.year, 1994);
    EXPECT_EQ(first.dayOfWeek, 2);

    m_site.ClearRequests();
    Crawl(m_site.Url("/dated.htm"), mode());
    Crawl(m_site.Url("/undated.htm"), mode());
    EXPECT_EQ(m_site.Requests(), (std::vector<std::string>{"HEAD /dated.htm", "HEAD /undated.htm",
                                                           "GET /undated.htm"}));

    // A changed page is read, and the history keeps the first time.
    dated.lastModified = "Wed, 16 Nov 1994 08:12:31 GMT";
    m_site.Put("/dated.htm", dated);
    Crawl(m_site.Url("/dated.htm"), mode());
    CCalendarTime kept;
    ASSERT_TRUE(m_core->m_histories.m_urlHistory.Lookup(m_site.Url("/dated.htm"), kept));
    EXPECT_EQ(kept, first);
    EXPECT_EQ(m_site.Gets().back(), "/dated.htm");
}

TEST_F(FollowRules, KeywordPagesAreOfferedOnce)
{
    m_core->m_options.m_keywords = {"setup", "Driver"};
    m_core->PublishOptions();
    m_site.Page("/k.htm", "Get the SETUP here, setup again. <a href=\"s.zip\">Driver</a>");
    m_site.Page("/plain.htm", "nothing to see <a href=\"p.zip\"></a>");
    Crawl(m_site.Url("/k.htm"), 0);
    Crawl(m_site.Url("/plain.htm"), 0);
    EXPECT_EQ(ListUrls(), (std::vector<std::string>{m_site.Url("/k.htm"), m_site.Url("/p.zip"),
                                                    m_site.Url("/s.zip")}));
    EXPECT_EQ(m_list.m_duplicates.load(), 0);
}

TEST_F(FollowRules, UnreadablePageIsNotCounted)
{
    Crawl(m_site.Url("/missing.htm"), 1);
    EXPECT_EQ(m_core->m_stats.m_browsedSites, 0u);
    // Its reading ends as failed, not as read.
    EXPECT_EQ(m_frame.PageStates(kPageImageFailed), 1);
    EXPECT_EQ(m_frame.PageStates(kPageImageDone), 0);
    EXPECT_FALSE(m_core->m_histories.m_urlHistory.Contains(m_site.Url("/missing.htm")));
    ClearViews();
    EXPECT_EQ(m_core->m_urlStore.AllocatedUrls(), 0);
}

TEST_F(FollowRules, AutomaticDownloadQueuesWantedFiles)
{
    m_core->m_options.m_autoDownload = true;
    m_core->PublishOptions();
    m_site.Page("/p.htm", "<a href=\"a.zip\"></a><a href=\"b.exe\"></a>");
    Crawl(m_site.Url("/p.htm"), 0);
    EXPECT_TRUE(ListUrls().empty());
    EXPECT_EQ(m_core->m_downloadQueue.Count(), 2u);
    EXPECT_EQ(m_frame.Count<CDownloadsChangedEvent>(), 2) << "the pending count";
    CUrlHold queued;
    while (m_core->m_downloadQueue.Pop(queued))
        queued.Reset();
    ClearViews();
    EXPECT_EQ(m_core->m_urlStore.AllocatedUrls(), 0);
}

TEST_F(FollowRules, CancelDuringAPageReadStopsTheBrowse)
{
    CTestHttpServer slow;
    slow.ServeStall("/slow.htm");
    slow.Server().Get("/next.htm", [](const httplib::Request&, httplib::Response& response)
                      { response.set_content("next", "text/html"); });
    slow.Start();

    CUrlHold site = HoldNew(m_core->m_urlStore, slow.Url("/slow.htm"));
    m_core->m_sites.AddLocked(site);
    StartBrowse(*m_core, std::move(site), GetMode(1, m_core->m_options));
    ASSERT_TRUE(WaitFor([&] { return m_frame.PageStates(kPageImageReading) == 1; }));
    // The lines that the browse holds are in the log while it waits for the server.
    const std::string browsing = "Browsing " + slow.Url("/slow.htm") + "\n";
    EXPECT_TRUE(WaitFor([&] { return ReadFileBytes(m_dir.File("hvstr.log")) == browsing; }));
    m_core->m_cancelBrowse = true;
    EXPECT_TRUE(WaitForBrowseThreads(*m_core, std::chrono::seconds(20)))
        << "the read stops without the server";
    slow.Release();
    EXPECT_EQ(m_core->m_stats.m_browsedSites, 0u);
    EXPECT_EQ(m_core->RunningBrowses(), 0u);
    EXPECT_FALSE(m_core->m_cancelBrowse.load()) << "the last browse to end clears the cancel";

    // A browse started while the flag is set stops at once; the next one reads its page.
    m_core->m_cancelBrowse = true;
    StartBrowse(*m_core, HoldNew(m_core->m_urlStore, slow.Url("/next.htm")),
                GetMode(1, m_core->m_options));
    ASSERT_TRUE(WaitForBrowseThreads(*m_core, std::chrono::seconds(20)));
    EXPECT_EQ(m_core->m_stats.m_browsedSites, 0u);
    StartBrowse(*m_core, HoldNew(m_core->m_urlStore, slow.Url("/next.htm")),
                GetMode(1, m_core->m_options));
    ASSERT_TRUE(WaitForBrowseThreads(*m_core, std::chrono::seconds(20)));
    EXPECT_EQ(m_core->m_stats.m_browsedSites, 1u);
    ClearViews();
    EXPECT_EQ(m_core->m_urlStore.AllocatedUrls(), 0);
}

} // namespace
