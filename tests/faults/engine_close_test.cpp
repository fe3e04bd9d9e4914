#include "HostileFixture.h"
#include "download/DownloadWorkers.h"
#include "support/TestHttpServer.h"
#include "support/WaitFor.h"

namespace
{

using namespace std::chrono_literals;

// The engine alone, with no front-end that handles a message: the recording frame only listens.
class CEngineAlone : public CHostileTest
{
protected:
    void SetUp() override
    {
        CHostileTest::SetUp();
        EnableDownloadWorkers(*m_core);
    }

    void Browse(const std::string& path, int modeNumber)
    {
        CUrlHold site = HoldNew(m_core->m_urlStore, m_site.Url(path));
        m_core->m_sites.AddLocked(site);
        StartBrowse(*m_core, std::move(site), GetMode(modeNumber, m_core->m_options));
    }
};

// Closing while browses wait for stalled pages and workers for stalled files: every thread ends
// and is joined within the time-out although no server lets go, the file still queued goes back
// to the list, and nothing starts afterwards.
TEST_F(CEngineAlone, CloseWhileBrowsesAndDownloadsWaitJoinsEveryThread)
{
    SetTimeout(120);
    m_core->m_options.m_downloadThreads = 2;
    m_core->PublishOptions();
    Browse("/stall-head.htm", 0);
    Browse("/stall-body.htm", 0);
    // Last in, first out: the two stalls keep both workers busy, the good file waits.
    for (const char* path : {"/ok.zip", "/stall-head.zip", "/stall-body.zip"})
        ASSERT_TRUE(QueueForDownload(*m_core, HoldNew(m_core->m_urlStore, m_site.Url(path))));
    PostDownloadsQueued(*m_core);
    ASSERT_TRUE(WaitFor([&] { return m_site.Server().StallsBegun() == 4; }, 30s));
    EXPECT_EQ(m_core->RunningBrowses(), 2u);
    EXPECT_EQ(m_core->RunningDownloads(), 2u);
    EXPECT_FALSE(m_core->AllWorkDone());

    const auto closing = std::chrono::steady_clock::now();
    m_core->CancelAllWork();
    ASSERT_TRUE(m_core->m_threads.WaitForThreads(10s)) << "a stalled transfer holds a thread";
    m_core->JoinWorkers();
    EXPECT_LT(std::chrono::steady_clock::now() - closing, 10s);
    EXPECT_FALSE(m_core->m_threads.AnyThreadRunning());
    EXPECT_TRUE(m_core->AllWorkDone());
    EXPECT_EQ(Listed().count(m_site.Url("/ok.zip")), 1u) << "the queued file goes back";
    EXPECT_EQ(m_core->m_histories.m_fileHistory.GetCount(), 0u);

    // Closed for good: no browse and no worker starts, not even for a file queued now.
    Browse("/", 1);
    ASSERT_TRUE(QueueForDownload(*m_core, HoldNew(m_core->m_urlStore, m_site.Url("/ok.zip"))));
    PostDownloadsQueued(*m_core);
    EXPECT_EQ(StartDownloadWorkers(*m_core), 0u);
    EXPECT_EQ(m_core->RunningBrowses(), 0u);
    EXPECT_EQ(m_core->RunningDownloads(), 0u);
    EXPECT_FALSE(m_core->m_threads.AnyThreadRunning());
}

// A crawl that downloads what it finds: its queued files start workers at once, and the last
// of them to end says that all work is done.
TEST_F(CEngineAlone, QueuedFilesStartWorkersAndTheLastEndClosesTheRun)
{
    CTestHttpServer server;
    server.Server().Get(
        "/p.htm", [](const httplib::Request&, httplib::Response& response)
        { response.set_content("<a href=a.zip></a><a href=b.zip></a>", "text/html"); });
    server.Server().Get("/.*\\.zip", [](const httplib::Request&, httplib::Response& response)
                        { response.set_content("zip", "application/zip"); });
    server.Start();
    m_core->m_options.m_autoDownload = true;
    m_core->m_options.m_terminateWhenDone = true;
    m_core->m_options.m_checkLength = kCheckLengthNever;
    m_core->PublishOptions();
    Crawl(server.Url("/p.htm"), 0);
    ASSERT_TRUE(m_core->m_threads.WaitForThreads(60s));
    for (const char* path : {"/a.zip", "/b.zip"})
        EXPECT_TRUE(Holds(Log(), "Downloaded " + server.Url(path) + " as ")) << path;
    EXPECT_TRUE(m_core->AllWorkDone());
    EXPECT_GE(m_frame.Count<CWorkDoneEvent>(), 1);
    EXPECT_EQ(m_core->PendingDownloads(), 0u);
}

} // namespace
