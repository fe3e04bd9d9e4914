#include "TransferFixture.h"
#include "net/RetryPolicy.h"
#include "net/SiteBackoff.h"
#include "net/UrlTransfers.h"
#include "support/FlakyFiles.h"
#include "support/HostileServer.h"
#include "url/Url.h"

#include <chrono>
#include <thread>

namespace
{

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string Body(std::size_t size)
{
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        body[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    return body;
}

std::size_t Count(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = 0; (at = text.find(part, at)) != std::string::npos; at += part.size())
        ++count;
    return count;
}

} // namespace

TEST(RetryAfterTest, SecondsAndDatesAreReadAndNothingElse)
{
    // Sun, 06 Nov 1994 08:49:37 GMT
    const auto now = std::chrono::system_clock::time_point(784111777s);
    const struct
    {
        const char* value;
        std::optional<std::chrono::seconds> wait;
    } cases[] = {
        {"120", 120s},
        {" 7 ", 7s},
        {"0", 0s},
        {"Sun, 06 Nov 1994 08:50:07 GMT", 30s},
        {"Sun, 06 Nov 1994 08:49:36 GMT", 0s}, // past
        {"99999999999999999999999", std::chrono::seconds::max()},
        {"", std::nullopt},
        {"-5", std::nullopt},
        {"1.5", std::nullopt},
        {"soon", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseRetryAfter(c.value, now), c.wait) << c.value;
}

// Servers that fail in ways that pass; the tries as the server saw them.
class RetryTest : public CTransferTest
{
protected:
    // Downloads record into the test folder's file; how it ended.
    CDownloadOutcome Download(CUrl& record, const std::string& file)
    {
        CRecordingProgress progress;
        CDownloadOutcome outcome;
        CDownloadRules rules;
        rules.outcome = &outcome;
        EXPECT_FALSE(DownloadTo(record, m_context, progress, m_dir.File(file), rules));
        return outcome;
    }

    CHostileServer m_hostile;
};

TEST_F(RetryTest, DownloadsComeWholeThroughBusyAnswersAndCuts)
{
    m_options.m_connectRetries = 3;
    const std::string body = Body(200 * 1024);
    for (const int status : {500, 502, 503, 504, 408, 429})
    {
        SCOPED_TRACE(status);
        CSiteBackoff::Shared().Clear();
        CHostileServer server;
        CFlakyFiles flaky(server, status, "");
        flaky.Add("/file.bin", body);
        CUrl file(server.Url("/file.bin"));
        CRecordingProgress progress;
        const std::string target = m_dir.File("file" + std::to_string(status) + ".bin");
        EXPECT_TRUE(DownloadTo(file, m_context, progress, target));
        EXPECT_EQ(ReadFileBytes(target), body);
        EXPECT_EQ(progress.m_ends, std::vector<bool>{true});
        // The cut bytes were kept through the busy answer: the last request asked for the rest.
        const std::string rest = "bytes=" + std::to_string(body.size() * 2 / 5) + "-";
        EXPECT_EQ(flaky.Ranges("/file.bin"), (std::vector<std::string>{"", "", rest, rest}));
    }
    // Three retries a download, each logged once, and no failure line.
    const std::string log = Log();
    EXPECT_EQ(Count(log, "Retrying "), 6u * 3) << log;
    EXPECT_EQ(Count(log, "\n"), 6u * 3) << log;
    EXPECT_EQ(m_statistics.m_retries.load(), 6u * 3);
}

TEST_F(RetryTest, TheLastFailureStandsWhenTheRetriesRunOut)
{
    m_options.m_connectRetries = 1;
    CFlakyFiles flaky(m_hostile, 503, "");
    flaky.Add("/file.bin", Body(10000));
    const std::string url = m_hostile.Url("/file.bin");
    CUrl record(url);
    const CDownloadOutcome outcome = Download(record, "file.bin");
    EXPECT_EQ(outcome.end, EDownloadEnd::Failed);
    EXPECT_EQ(outcome.reason.rfind("connection problem: ", 0), 0u) << outcome.reason;
    EXPECT_EQ(Log(), "Retrying " + url + " in 1 s: HTTP error 503!\nFailed " + url + ": " +
                         outcome.reason + "\n");
    // The next download continues the cut bytes.
    EXPECT_EQ(flaky.Ranges("/file.bin").size(), 2u);
}

TEST_F(RetryTest, RetryAfterIsWaitedForAndALongOneFailsAtOnce)
{
    m_options.m_connectRetries = 5;
    CFlakyFiles soon(m_hostile, 503, "1");
    soon.Add("/soon.htm", "<html>soon</html>", "text/html");
    CFlakyFiles late(m_hostile, 429, "601");
    late.Add("/late.htm", "<html>late</html>", "text/html");

    CUrl soonRecord(m_hostile.Url("/soon.htm"));
    EXPECT_EQ(FetchBody(soonRecord, m_context), "<html>soon</html>");
    const auto arrivals = soon.Arrivals();
    ASSERT_EQ(arrivals.size(), 4u);
    // Retry-After: 1 after each refusal; the cut is retried after the scaled back-off.
    EXPECT_GE(arrivals[1] - arrivals[0], 950ms);
    EXPECT_GE(arrivals[3] - arrivals[2], 950ms);
    EXPECT_LT(arrivals[2] - arrivals[1], 900ms);

    const std::string lateUrl = m_hostile.Url("/late.htm");
    CUrl lateRecord(lateUrl);
    CPageAnswer answer;
    EXPECT_FALSE(FetchBody(lateRecord, m_context, nullptr, &answer));
    EXPECT_EQ(answer.refusedStatus, 429);
    EXPECT_EQ(late.Ranges("/late.htm").size(), 1u);
    EXPECT_NE(Log().find("Skipped " + lateUrl + ": HTTP error 429!\n"), std::string::npos);
}

TEST_F(RetryTest, A429HoldsOffTheWholeSiteButNoOtherSite)
{
    m_options.m_connectRetries = 2;
    CFlakyFiles held(m_hostile, 429, "1");
    held.Add("/first.htm", "<html>1</html>", "text/html");
    m_server.Server().Get("/other.htm", [](const httplib::Request&, httplib::Response& response)
                          { response.set_content("<html>other</html>", "text/html"); });
    std::atomic<int> secondArrived{0};
    std::atomic<Clock::rep> secondAt{0};
    m_hostile.Handle("/second.htm",
                     [&](CHostileExchange& exchange)
                     {
                         secondAt = Clock::now().time_since_epoch().count();
                         ++secondArrived;
                         return exchange.Answer(200, "text/html", "<html>2</html>");
                     });
    m_server.Start();

    std::thread first(
        [&]
        {
            CUrl record(m_hostile.Url("/first.htm"));
            FetchBody(record, m_context);
        });
    while (held.Arrivals().empty())
        std::this_thread::sleep_for(1ms);
    const Clock::time_point refusedAt = held.Arrivals()[0];
    std::this_thread::sleep_for(50ms);

    // Another site is read at once.
    const Clock::time_point start = Clock::now();
    CUrl other(m_server.Url("/other.htm"));
    EXPECT_EQ(FetchBody(other, m_context), "<html>other</html>");
    EXPECT_LT(Clock::now() - start, 500ms);
    // The same site waits for its Retry-After.
    CUrl second(m_hostile.Url("/second.htm"));
    EXPECT_EQ(FetchBody(second, m_context), "<html>2</html>");
    first.join();
    EXPECT_EQ(secondArrived.load(), 1);
    EXPECT_GE(Clock::time_point(Clock::duration(secondAt.load())) - refusedAt, 950ms);
    EXPECT_GE(m_statistics.m_siteWaits.load(), 1u);
}

TEST_F(RetryTest, ACancelEndsTheWaitAtOnce)
{
    m_options.m_connectRetries = 3;
    // Nine minutes is within the limit: the transfers would wait that long.
    CFlakyFiles busy(m_hostile, 503, "540");
    busy.Add("/page.htm", "<html></html>", "text/html");
    busy.Add("/file.bin", Body(1000));
    struct
    {
        const char* path;
        std::atomic<bool>& cancel;
    } cases[] = {{"/page.htm", m_cancelBrowse}, {"/file.bin", m_cancelDownload}};
    for (auto& c : cases)
    {
        SCOPED_TRACE(c.path);
        CSiteBackoff::Shared().Clear();
        c.cancel = false;
        std::thread canceller(
            [&]
            {
                while (busy.Ranges(c.path).empty())
                    std::this_thread::sleep_for(1ms);
                std::this_thread::sleep_for(100ms);
                c.cancel = true;
                m_events.WakePrompts();
            });
        const Clock::time_point start = Clock::now();
        CUrl record(m_hostile.Url(c.path));
        if (c.path == std::string("/page.htm"))
        {
            EXPECT_FALSE(FetchBody(record, m_context));
        }
        else
        {
            EXPECT_EQ(Download(record, "file.bin").end, EDownloadEnd::Cancelled);
        }
        canceller.join();
        EXPECT_LT(Clock::now() - start, 2s);
        EXPECT_EQ(busy.Ranges(c.path).size(), 1u);
        EXPECT_TRUE(record.m_usable);
    }
}
