#include "WorkerFixture.h"
#include "net/RetryPolicy.h"
#include "net/SiteBackoff.h"
#include "support/FlakyFiles.h"
#include "support/HostileServer.h"

namespace
{

std::string Body(std::size_t size, char seed)
{
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        body[i] = static_cast<char>(seed + (i * 13 + i / 509) % 61);
    return body;
}

} // namespace

// Downloads through workers from a raw server whose files fail in turn.
class DownloadRetryTest : public CWorkerTest
{
protected:
    DownloadRetryTest()
    {
        SetBackoffScaleForTests(0.01);
        CSiteBackoff::Shared().Clear();
    }

    void Queue(const std::vector<std::string>& paths)
    {
        for (const std::string& path : paths)
            EXPECT_TRUE(QueueForDownload(m_core, HoldNew(m_core.m_urlStore, m_hostile.Url(path))));
        StartDownloadWorkers(m_core);
    }

    std::size_t LinesWith(const std::string& part)
    {
        const std::vector<std::string> lines = LogLines();
        return static_cast<std::size_t>(std::count_if(
            lines.begin(), lines.end(),
            [&](const std::string& line) { return line.find(part) != std::string::npos; }));
    }

    CHostileServer m_hostile;
};

TEST_F(DownloadRetryTest, ABusyServerThatCutsEveryOtherTransferGivesEveryFileWhole)
{
    SetOptions(
        [](COptions& o)
        {
            o.m_connectRetries = 3;
            o.m_downloadThreads = 4;
        });
    CFlakyFiles flaky(m_hostile, 503, "1");
    std::vector<std::string> paths;
    std::map<std::string, std::string> bodies;
    for (int i = 0; i < 4; ++i)
    {
        const std::string name = "file" + std::to_string(i) + ".bin";
        paths.push_back("/" + name);
        bodies[name] =
            Body(30000 + 70000 * static_cast<std::size_t>(i), static_cast<char>('0' + i));
        flaky.Add(paths.back(), bodies[name]);
    }
    Queue(paths);
    ASSERT_TRUE(WaitForWorkers());

    for (const auto& [name, body] : bodies)
    {
        SCOPED_TRACE(name);
        const std::string url = m_hostile.Url("/" + name);
        EXPECT_TRUE(Downloaded(name) == body);
        const std::string rest = "bytes=" + std::to_string(body.size() * 2 / 5) + "-";
        EXPECT_EQ(flaky.Ranges("/" + name), (std::vector<std::string>{"", "", rest, rest}));
        // Another file's 503 may hold the site a moment longer than this one's.
        EXPECT_EQ(LinesWith("Retrying " + url + " in "), 3u);
        EXPECT_EQ(LinesWith("Downloaded " + url + " as "), 1u);
        // The downloads view heard of the wait.
        EXPECT_GE(m_frame.Count<CDownloadStateEvent>(
                      [&](const CDownloadStateEvent& e)
                      {
                          return e.report.url == url && e.report.retryInSeconds >= 1 &&
                                 e.report.reason == "HTTP error 503!";
                      }),
                  1);
        EXPECT_EQ(m_frame.LastState(url).first, DOWNLOAD_DONE);
    }
    EXPECT_EQ(LinesWith(" s: HTTP error 503!"), 8u);
    EXPECT_EQ(LinesWith("Failed"), 0u);
    EXPECT_EQ(m_core.m_stats.m_retries.load(), 12u);
    EXPECT_EQ(m_core.m_failedDownloads.load(), 0u);
}

TEST_F(DownloadRetryTest, ASiteThatFailsTenDownloadsInARowIsGivenUp)
{
    SetOptions(
        [](COptions& o)
        {
            o.m_connectRetries = 0;
            o.m_downloadThreads = 1;
        });
    std::vector<std::string> paths;
    for (int i = 0; i < 23; ++i)
    {
        paths.push_back("/down" + std::to_string(i) + ".bin");
        m_hostile.Handle(paths.back(), [](CHostileExchange& exchange)
                         { return exchange.Answer(500, "text/plain", "down"); });
    }
    // A file that is not there is an answer: the count starts again after it.
    m_hostile.Handle("/missing.bin", [](CHostileExchange& exchange)
                     { return exchange.Answer(404, "text/plain", "no"); });
    paths.insert(paths.begin() + 9, "/missing.bin");
    // The queue is last in, first out.
    std::reverse(paths.begin(), paths.end());
    Queue(paths);
    ASSERT_TRUE(WaitForWorkers());

    int requests = 0;
    for (const std::string& path : paths)
        requests += m_hostile.Requests(path);
    // Nine failures, the 404, ten more failures: the last four are not asked.
    EXPECT_EQ(requests, 20);
    EXPECT_EQ(m_hostile.Requests(paths.front()), 0);
    const std::string site = m_hostile.Url("");
    EXPECT_EQ(LinesWith("Skipping the rest of " + site + ": 10 requests to it in a row failed"),
              1u);
    EXPECT_EQ(LinesWith("Skipping the rest of "), 1u);
    // Every one failed; the skipped ones without a line of their own.
    EXPECT_EQ(m_core.m_failedDownloads.load(), 24u);
    EXPECT_EQ(LogLines().size(), 21u);

    // Other sites are still asked.
    EXPECT_EQ(Download({"/f/100/other.zip"}), 1u);
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(Downloaded("other.zip"), std::string(100, 'f'));
}
