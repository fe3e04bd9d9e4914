#include "crawl/CrawlFixture.h"
#include "net/InternetSession.h"
#include "net/TransferProgress.h"
#include "net/UrlTransfers.h"
#include "support/MeteredSite.h"

#include <chrono>
#include <thread>

namespace
{

using Clock = std::chrono::steady_clock;

class CQuietProgress : public CTransferProgress
{
public:
    void OnBegin(std::int64_t) override {}
    void OnProgress(std::uint64_t) override {}
    void OnEnd(bool) override {}
};

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The per-site limits and the bandwidth cap, seen from the servers: a crawl with pages in flight
// and download threads share them.
class CSiteLimitsTest : public CCrawlTest
{
protected:
    void SetLimits(int rate, int connections, int bandwidthK = 0)
    {
        m_core->m_options.m_siteRequestRate = rate;
        m_core->m_options.m_siteConnections = connections;
        m_core->m_options.m_bandwidthLimitK = bandwidthK;
        m_core->m_options.m_connectTimeout = 10;
        m_core->PublishOptions();
    }

    // Downloads each of urls in turn into the test's folder; true when all arrived.
    bool Download(const std::vector<std::string>& urls)
    {
        bool all = true;
        for (const std::string& url : urls)
        {
            CUrl record(url);
            CQuietProgress progress;
            const std::string name = std::to_string(m_files.fetch_add(1)) + ".zip";
            all = DownloadTo(record, m_core->TransferContext(), progress, m_dir.File(name)) && all;
        }
        return all;
    }

    std::unique_ptr<CModeData> SiteMode(int pagesAtOnce)
    {
        auto mode = Mode(1000, false, false, 0, 10);
        mode->m_reserved = pagesAtOnce;
        return mode;
    }

    std::atomic<int> m_files{0};
};

TEST_F(CSiteLimitsTest, RateAndConnectionCapsHoldForACrawlAndDownloadsTogether)
{
    struct CCase
    {
        const char* name;
        int rate;
        int connections;
    } cases[] = {
        {"rate", 10, 0},
        {"connections", 0, 2},
        // The same load without limits goes past both: the rows above are not met by chance.
        {"no limit", 0, 0},
    };
    constexpr int kPages = 13;
    constexpr int kFilesPerThread = 3;
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        CMeteredSite site(kPages, 2000, std::chrono::milliseconds(20));
        SetLimits(c.rate, c.connections);
        ClearViews();
        const std::uint32_t waitsBefore = m_core->m_stats.m_siteWaits.load();
        std::atomic<int> downloaded{0};
        const Clock::time_point start = Clock::now();
        {
            std::vector<std::jthread> downloads;
            for (int thread = 0; thread < 2; ++thread)
                downloads.emplace_back(
                    [&, thread]
                    {
                        std::vector<std::string> urls;
                        for (int i = 0; i < kFilesPerThread; ++i)
                            urls.push_back(site.Url("/bytes/3000/t" + std::to_string(thread) + "_" +
                                                    std::to_string(i) + ".zip"));
                        if (Download(urls))
                            downloaded.fetch_add(kFilesPerThread);
                    });
            Crawl(site.Url("/page/0"), SiteMode(4));
        }
        const double seconds = SecondsSince(start);
        const std::size_t requests = site.Requests();
        EXPECT_EQ(downloaded.load(), 2 * kFilesPerThread);
        EXPECT_EQ(m_tree.Nodes().size(), static_cast<std::size_t>(kPages));
        EXPECT_GE(requests, static_cast<std::size_t>(kPages + 2 * kFilesPerThread));
        const std::uint32_t waits = m_core->m_stats.m_siteWaits.load() - waitsBefore;
        if (c.rate > 0)
        {
            // Requests leave at least 1/rate apart; the network may bring two a little closer.
            EXPECT_LE(site.MostRequestsInASecond(), static_cast<std::size_t>(c.rate + 1));
            EXPECT_GE(seconds, 0.9 * static_cast<double>(requests - 1) / c.rate);
        }
        if (c.connections > 0)
        {
            EXPECT_LE(site.MostConnectionsOpen(), c.connections);
        }
        if (c.rate > 0 || c.connections > 0)
        {
            EXPECT_GT(waits, 0u);
        }
        else
        {
            EXPECT_GT(site.MostRequestsInASecond(), 11u);
            EXPECT_GT(site.MostConnectionsOpen(), 2);
            EXPECT_EQ(waits, 0u);
        }
    }
}

TEST_F(CSiteLimitsTest, OneSitesLimitsDoNotSlowAnother)
{
    CMeteredSite held;
    CMeteredSite other;
    SetLimits(4, 1);
    std::jthread stalled([&] { Download({held.Url("/stall/a.zip")}); });
    ASSERT_TRUE(WaitFor([&] { return held.Requests() == 1; }));
    bool queuedDone = false;
    std::jthread queued([&] { queuedDone = Download({held.Url("/file/b.zip")}); });

    // Four requests a second: three leave within half a second, whatever the held site waits for.
    const Clock::time_point start = Clock::now();
    EXPECT_TRUE(
        Download({other.Url("/file/1.zip"), other.Url("/file/2.zip"), other.Url("/file/3.zip")}));
    EXPECT_LT(SecondsSince(start), 1.2);
    EXPECT_EQ(held.Requests(), 1u);

    held.Release();
    stalled.join();
    queued.join();
    EXPECT_TRUE(queuedDone);
    EXPECT_EQ(held.Requests(), 2u);
}

TEST_F(CSiteLimitsTest, CancelEndsAWaitForLimitsAtOnce)
{
    struct CCase
    {
        const char* name;
        int connections;
        int bandwidthK;
        std::string waiting;
    } cases[] = {
        // The only connection is held by a stalled answer; the second download waits for it.
        {"connection", 1, 0, "/file/b.zip"},
        // 100 KB at 4 KB/s: the download waits in the bandwidth budget.
        {"bandwidth", 0, 4, "/bytes/102400/c.zip"},
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        CMeteredSite site;
        SetLimits(0, c.connections, c.bandwidthK);
        m_core->m_cancelDownload = false;
        std::jthread stalled([&] { Download({site.Url("/stall/a.zip")}); });
        ASSERT_TRUE(WaitFor([&] { return site.Requests() == 1; }));
        std::atomic<bool> ended{false};
        std::jthread waiting(
            [&]
            {
                Download({site.Url(c.waiting)});
                ended = true;
            });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_FALSE(ended.load());
        const Clock::time_point cancelled = Clock::now();
        m_core->m_cancelDownload = true;
        m_core->WakeTransferWaits();
        waiting.join();
        EXPECT_LT(SecondsSince(cancelled), 0.25);
        site.Release();
    }
    m_core->m_cancelDownload = false;
}

TEST_F(CSiteLimitsTest, DownloadsShareTheBandwidthCap)
{
    CMeteredSite site;
    constexpr int kLimitK = 200;
    constexpr int kFileK = 150;
    SetLimits(0, 0, kLimitK);
    const std::string path = "/bytes/" + std::to_string(kFileK * 1024) + "/";
    const Clock::time_point start = Clock::now();
    bool first = false;
    bool second = false;
    {
        std::jthread one([&] { first = Download({site.Url(path + "1.zip")}); });
        std::jthread two([&] { second = Download({site.Url(path + "2.zip")}); });
    }
    const double rate = 2 * kFileK / SecondsSince(start);
    EXPECT_TRUE(first && second);
    EXPECT_NEAR(rate, kLimitK, kLimitK / 10.0);
}

} // namespace
