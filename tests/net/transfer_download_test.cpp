#include "net/TransferFixture.h"
#include "net/UrlTransfers.h"
#include "support/DirectoryNames.h"
#include "support/FileSizeLimit.h"
#include "url/Url.h"

#include <filesystem>
#include <sstream>
#include <thread>

namespace
{

std::string Bytes(std::size_t count)
{
    std::string bytes(count, '\0');
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<char>('a' + i % 26);
    return bytes;
}

} // namespace

class DownloadToTest : public CTransferTest
{
};

TEST_F(DownloadToTest, BodiesWithAndWithoutLength)
{
    const std::string body = Bytes(5000);
    auto& server = m_server.Server();
    server.Get("/sized.zip", [&](const httplib::Request&, httplib::Response& response)
               { response.set_content(body, "application/zip"); });
    server.Get("/chunked.zip",
               [&](const httplib::Request&, httplib::Response& response)
               {
                   response.set_chunked_content_provider(
                       "application/zip",
                       [&](std::size_t offset, httplib::DataSink& sink)
                       {
                           if (offset < body.size())
                               sink.write(body.data() + offset,
                                          std::min<std::size_t>(700, body.size() - offset));
                           else
                               sink.done();
                           return true;
                       });
               });
    server.Get("/empty.zip", [](const httplib::Request&, httplib::Response& response)
               { response.set_content("", "application/zip"); });
    m_server.Start();

    struct CCase
    {
        const char* path;
        std::string body;
        std::int64_t begin;
        std::int32_t sizeState;
    } cases[] = {
        {"/sized.zip", body, 5000, kSizeKnown},
        {"/chunked.zip", body, -1, kSizeNotGiven},
        {"/empty.zip", "", -1, kSizeNotGiven},
    };
    std::uint32_t received = 0;
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.path);
        CUrl record(m_server.Url(c.path));
        CRecordingProgress progress;
        const std::string target = m_dir.File("out.zip");
        ASSERT_TRUE(DownloadTo(record, m_context, progress, target));
        EXPECT_EQ(ReadFileBytes(target), c.body);
        EXPECT_EQ(progress.m_begins, std::vector<std::int64_t>{c.begin});
        EXPECT_EQ(progress.m_ends, std::vector<bool>{true});
        EXPECT_EQ(progress.m_last, c.body.size());
        EXPECT_EQ(record.m_sizeState.load(), c.sizeState);
        EXPECT_EQ(record.LocalFileName(), target);
        EXPECT_TRUE(record.m_usable);
        received += static_cast<std::uint32_t>(c.body.size());
        EXPECT_EQ(m_statistics.m_receivedBytes.load(), received);
    }
    EXPECT_EQ(Log(), "");
}

TEST_F(DownloadToTest, NotFoundLogsTheStatusAndLeavesTheOldFile)
{
    m_server.Start();
    const std::string url = m_server.Url("/missing.zip");
    CUrl record(url);
    CRecordingProgress progress;
    const std::string target = m_dir.File("missing.zip");
    WriteFileBytes(target, "old");
    EXPECT_FALSE(DownloadTo(record, m_context, progress, target));
    EXPECT_EQ(Log(), "Skipped " + url + ": HTTP error 404!\n");
    EXPECT_EQ(ReadFileBytes(target), "old");
    EXPECT_EQ(DirectoryNames(m_dir.Path()), (std::set<std::string>{"hvstr.log", "missing.zip"}));
    EXPECT_EQ(progress.m_ends, std::vector<bool>{false});
    EXPECT_TRUE(progress.m_begins.empty());
    EXPECT_FALSE(record.m_usable);
    EXPECT_TRUE(record.LocalFileName().empty());
}

// A server that refuses HEAD alone leaves the record usable with its size unknown; one that
// refuses GET as well makes it unusable, and later transfers fail without traffic.
TEST_F(DownloadToTest, AHeadRefusalCountsOnlyWhenGetIsRefusedToo)
{
    std::atomic<int> requests{0};
    std::atomic<bool> getWorks{true};
    m_server.Server().Get("/f.zip",
                          [&](const httplib::Request& request, httplib::Response& response)
                          {
                              ++requests;
                              if (request.method == "HEAD" || !getWorks)
                                  response.status = 500;
                              else
                                  response.set_content("data", "application/zip");
                          });
    m_server.Start();
    CUrl record(m_server.Url("/f.zip"));
    EXPECT_FALSE(CheckHeaders(record, m_context));
    EXPECT_EQ(DetermineSize(record, m_context), 0u);
    EXPECT_EQ(record.m_sizeState.load(), kSizeNotGiven);
    EXPECT_TRUE(record.m_usable);
    EXPECT_EQ(requests.load(), 3);
    CRecordingProgress progress;
    EXPECT_TRUE(DownloadTo(record, m_context, progress, m_dir.File("f.zip")));
    EXPECT_EQ(ReadFileBytes(m_dir.File("f.zip")), "data");

    getWorks = false;
    CUrl refused(m_server.Url("/f.zip"));
    EXPECT_EQ(DetermineSize(refused, m_context), 0u);
    EXPECT_FALSE(refused.m_usable);
    requests = 0;
    EXPECT_FALSE(DownloadTo(refused, m_context, progress, m_dir.File("g.zip")));
    EXPECT_FALSE(FetchBody(refused, m_context).has_value());
    EXPECT_EQ(requests.load(), 0);
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("g.zip")));
    const std::string log = Log();
    EXPECT_NE(log.find("HTTP error 500"), std::string::npos);
    EXPECT_EQ(log.find("HTTP error 500"), log.rfind("HTTP error 500")) << "the GET's only";
}

// Only http, https and ftp are transferred: a file or gopher link from a page is never opened.
TEST_F(DownloadToTest, OtherSchemesAreNeverOpened)
{
    const std::string source = m_dir.File("source.bin");
    WriteFileBytes(source, Bytes(3000));
    for (const std::string& url : {"file://" + source, std::string("gopher://127.0.0.1:1/_x.zip")})
    {
        CUrl record(url);
        CRecordingProgress progress;
        const std::string target = m_dir.File("copy.bin");
        EXPECT_FALSE(DownloadTo(record, m_context, progress, target)) << url;
        EXPECT_NE(ReadFileBytes(target), Bytes(3000));
        EXPECT_NE(Log().find("File " + url + " connection problem: "), std::string::npos) << url;
    }
}

TEST_F(DownloadToTest, ADroppedConnectionFailsAndLeavesNothing)
{
    m_server.ServeDroppedBody("/drop.zip", 100000, 30000);
    m_server.Start();
    CUrl record(m_server.Url("/drop.zip"));
    CRecordingProgress progress;
    const std::string target = m_dir.File("drop.zip");
    EXPECT_FALSE(DownloadTo(record, m_context, progress, target));
    EXPECT_EQ(progress.m_begins, std::vector<std::int64_t>{100000});
    EXPECT_EQ(progress.m_ends, std::vector<bool>{false});
    EXPECT_EQ(progress.m_last, 30000u);
    EXPECT_EQ(DirectoryNames(m_dir.Path()), std::set<std::string>{"hvstr.log"});
    EXPECT_TRUE(record.LocalFileName().empty());
}

// Every failed download leaves one line in the log with the reason the downloads view shows:
// one that the transfer logged already (an HTTP error) is not logged again.
TEST_F(DownloadToTest, EveryFailureIsLoggedOnceWithItsReason)
{
    m_server.ServeDroppedBody("/drop.zip", 100000, 30000);
    m_server.Start();
    const struct
    {
        const char* path;
        std::string target;
        const char* reason; // how the reason begins
        const char* logged; // the line's start, before the URL
    } cases[] = {
        {"/drop.zip", m_dir.File("drop.zip"), "connection problem: ", "Failed "},
        {"/drop.zip", m_dir.File("missing/drop.zip"), "Failed to open ", "Failed "},
        {"/absent.zip", m_dir.File("absent.zip"), "HTTP error 404!", "Skipped "},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.target);
        CUrl record(m_server.Url(c.path));
        CRecordingProgress progress;
        CDownloadOutcome outcome;
        CDownloadRules rules;
        rules.outcome = &outcome;
        EXPECT_FALSE(DownloadTo(record, m_context, progress, c.target, rules));
        EXPECT_EQ(outcome.end, EDownloadEnd::Failed);
        EXPECT_EQ(outcome.reason.rfind(c.reason, 0), 0u) << outcome.reason;
        const std::string log = Log();
        const std::string line = c.logged + record.m_url + ": " + outcome.reason + "\n";
        EXPECT_NE(log.find(line), std::string::npos) << log;
        EXPECT_EQ(log.find(record.m_url + ": "), log.rfind(record.m_url + ": ")) << log;
        m_log.Open(m_dir.File("hvstr.log"));
    }
}

TEST_F(DownloadToTest, CancelStopsAtTheNextBlockAndLeavesNothing)
{
    // A body that never ends: only the cancel flag can stop this download.
    m_server.Server().Get("/endless.zip",
                          [&](const httplib::Request&, httplib::Response& response)
                          {
                              response.set_chunked_content_provider(
                                  "application/zip",
                                  [&](std::size_t, httplib::DataSink& sink)
                                  {
                                      const std::string part(4096, 'e');
                                      return !m_server.IsReleased() &&
                                             sink.write(part.data(), part.size());
                                  });
                          });
    m_server.Start();
    CUrl record(m_server.Url("/endless.zip"));
    CRecordingProgress progress;
    progress.m_onProgress = [&](std::uint64_t received)
    {
        if (received >= 10 * 1024)
            m_cancelDownload = true;
    };
    const std::string target = m_dir.File("endless.zip");
    EXPECT_FALSE(DownloadTo(record, m_context, progress, target));
    EXPECT_EQ(progress.m_ends, std::vector<bool>{false});
    EXPECT_EQ(progress.m_last, 10u * 1024);
    EXPECT_EQ(DirectoryNames(m_dir.Path()), std::set<std::string>{"hvstr.log"});
    EXPECT_TRUE(record.m_usable);
    EXPECT_EQ(Log(), "");
}

TEST_F(DownloadToTest, CancelInterruptsAWaitForTheServer)
{
    m_options.m_connectTimeout = 60;
    m_server.ServeStall("/stall.zip");
    m_server.Start();
    CUrl record(m_server.Url("/stall.zip"));
    CRecordingProgress progress;
    std::thread canceller(
        [&]
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            m_cancelDownload = true;
        });
    EXPECT_FALSE(DownloadTo(record, m_context, progress, m_dir.File("stall.zip")));
    canceller.join();
    EXPECT_EQ(progress.m_ends, std::vector<bool>{false});
    // A time-out would have logged a connection problem; the cancel logs nothing.
    EXPECT_EQ(Log(), "");
    EXPECT_TRUE(record.m_usable);
}

TEST_F(DownloadToTest, AStallingServerGivesTheConnectionProblemLine)
{
    m_options.m_connectTimeout = 1;
    m_options.m_connectRetries = 1; // a stalled answer is tried again like a dropped one
    std::atomic<int> requests{0};
    m_server.Server().Get("/stall.zip",
                          [&](const httplib::Request&, httplib::Response& response)
                          {
                              ++requests;
                              m_server.StallUntilReleased();
                              response.set_content("late", "text/plain");
                          });
    m_server.Start();
    const std::string url = m_server.Url("/stall.zip");
    CUrl record(url);
    CRecordingProgress progress;
    EXPECT_FALSE(DownloadTo(record, m_context, progress, m_dir.File("stall.zip")));
    const std::string log = Log();
    const std::string retried = "Retrying " + url + " in 1 s: connection problem: ";
    EXPECT_EQ(log.rfind(retried, 0), 0u) << log;
    EXPECT_NE(log.find("\nFile " + url + " connection problem: "), std::string::npos) << log;
    EXPECT_EQ(requests.load(), 2);
    EXPECT_FALSE(record.m_usable);
}

TEST_F(DownloadToTest, AStallMidBodyFailsTheDownload)
{
    m_options.m_connectTimeout = 1;
    m_server.Server().Get("/half.zip",
                          [&](const httplib::Request&, httplib::Response& response)
                          {
                              response.set_content_provider(
                                  8000, "application/zip",
                                  [&](std::size_t offset, std::size_t, httplib::DataSink& sink)
                                  {
                                      if (offset > 0)
                                          m_server.StallUntilReleased();
                                      const std::string part(4000, 'h');
                                      return sink.write(part.data(), part.size());
                                  });
                          });
    m_server.Start();
    CUrl record(m_server.Url("/half.zip"));
    CRecordingProgress progress;
    EXPECT_FALSE(DownloadTo(record, m_context, progress, m_dir.File("half.zip")));
    EXPECT_EQ(progress.m_ends, std::vector<bool>{false});
    EXPECT_EQ(progress.m_last, 4000u);
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("half.zip")));
}

TEST_F(DownloadToTest, WriteFailuresAreNotSuccesses)
{
    const std::string big = Bytes(200000);
    const std::string small = Bytes(40000);
    m_server.Server().Get("/big.zip", [&](const httplib::Request&, httplib::Response& response)
                          { response.set_content(big, "application/zip"); });
    m_server.Server().Get("/small.zip", [&](const httplib::Request&, httplib::Response& response)
                          { response.set_content(small, "application/zip"); });
    m_server.Start();
    // A big body fails while it streams; a small one only when the file is closed.
    for (const char* path : {"/big.zip", "/small.zip"})
    {
        SCOPED_TRACE(path);
        const std::string url = m_server.Url(path);
        CUrl record(url);
        CRecordingProgress progress;
        const std::string target = m_dir.File(path + 1);
        WriteFileBytes(target, "old");
        const CFileSizeLimit full(16 * 1024); // for the rest of this round
        EXPECT_FALSE(DownloadTo(record, m_context, progress, target));
        EXPECT_EQ(progress.m_ends, std::vector<bool>{false});
        EXPECT_TRUE(record.LocalFileName().empty());
        EXPECT_EQ(ReadFileBytes(target), "old");
        EXPECT_NE(Log().find("File " + url + " write error: File too large\n"), std::string::npos)
            << Log();
    }
    EXPECT_EQ(DirectoryNames(m_dir.Path()),
              (std::set<std::string>{"big.zip", "hvstr.log", "small.zip"}));
}

TEST_F(DownloadToTest, ALocalFileThatCannotBeCreatedIsReportedAndNothingIsRequested)
{
    std::atomic<int> requests{0};
    m_server.Server().Get("/f.zip",
                          [&](const httplib::Request&, httplib::Response& response)
                          {
                              ++requests;
                              response.set_content("data", "application/zip");
                          });
    m_server.Start();
    CUrl record(m_server.Url("/f.zip"));
    CRecordingProgress progress;
    const std::string target = m_dir.File("no-such-dir/f.zip");
    EXPECT_FALSE(DownloadTo(record, m_context, progress, target));
    EXPECT_EQ(m_prompts.m_messages,
              std::vector<std::string>{"Harvestor: Failed to open " + target});
    EXPECT_EQ(progress.m_ends, std::vector<bool>{false});
    EXPECT_EQ(requests.load(), 0);
    EXPECT_TRUE(record.m_usable);
}

TEST_F(DownloadToTest, RefusalsThatNoRetryChangesAreNotRetried)
{
    m_options.m_connectRetries = 5;
    const int statuses[] = {404, 403, 410, 501};
    std::atomic<int> requests{0};
    for (const int status : statuses)
        m_server.Server().Get(
            "/refused" + std::to_string(status) + ".zip",
            [&requests, status](const httplib::Request&, httplib::Response& response)
            {
                ++requests;
                response.status = status;
                response.set_header("Retry-After", "1");
            });
    m_server.Start();
    std::string expected;
    for (const int status : statuses)
    {
        const std::string url = m_server.Url("/refused" + std::to_string(status) + ".zip");
        CUrl record(url);
        CRecordingProgress progress;
        EXPECT_FALSE(DownloadTo(record, m_context, progress, m_dir.File("refused.zip")));
        expected += "Skipped " + url + ": HTTP error " + std::to_string(status) + "!\n";
    }
    EXPECT_EQ(requests.load(), 4);
    EXPECT_EQ(Log(), expected);
    EXPECT_EQ(m_statistics.m_retries.load(), 0u);
}

TEST_F(DownloadToTest, ARefusedConnectionIsRetriedAndItsFailureLoggedOnce)
{
    m_options.m_connectRetries = 2;
    m_server.Start();
    const std::string url = m_server.Url("/gone.zip");
    m_server.Stop(); // nobody listens on the port any more
    CUrl record(url);
    CRecordingProgress progress;
    EXPECT_FALSE(DownloadTo(record, m_context, progress, m_dir.File("gone.zip")));
    // One line per retry, then the failure once.
    std::istringstream lines(Log());
    std::vector<std::string> log;
    for (std::string line; std::getline(lines, line);)
        log.push_back(line);
    ASSERT_EQ(log.size(), 3u) << Log();
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(log[i].rfind("Retrying " + url + " in 1 s: connection problem: ", 0), 0u)
            << log[i];
    EXPECT_EQ(log[2].rfind("File " + url + " connection problem: ", 0), 0u) << log[2];
    EXPECT_EQ(m_statistics.m_retries.load(), 2u);
    EXPECT_FALSE(record.m_usable);
}
