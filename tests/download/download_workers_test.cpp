#include "WorkerFixture.h"
#include "support/FileSizeLimit.h"
#include "support/HeldWork.h"
#include "support/HostileServer.h"
#include "support/StoreHolds.h"

#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

class DownloadWorkersTest : public CWorkerTest
{
};

TEST_F(DownloadWorkersTest, StartsNoMoreThanTheConfiguredWorkers)
{
    SetOptions([](COptions& o) { o.m_downloadThreads = 0; });
    EXPECT_EQ(Download({"/f/10/zero.zip"}), 0u);

    SetOptions([](COptions& o) { o.m_downloadThreads = 3; });
    std::vector<std::string> paths;
    for (int i = 0; i < 9; ++i)
        paths.push_back("/partial/file" + std::to_string(i) + ".zip");
    EXPECT_EQ(Download(paths), 3u);
    ASSERT_TRUE(WaitFor([&] { return m_stalled.load() == 3; }));
    EXPECT_EQ(StartDownloadWorkers(m_core), 0u);
    EXPECT_EQ(m_core.PendingDownloads(), 10u);
    // A URL that waits in the queue is refused, and the reference taken for it given back.
    {
        const CUrlHold twice = HoldNew(m_core.m_urlStore, m_server.Url(paths[0]));
        EXPECT_TRUE(twice.IsStandIn());
        EXPECT_FALSE(QueueForDownload(m_core, twice));
    }

    // Dropped bodies are failures: each file is tried once, none is listed or remembered.
    m_server.Release();
    ASSERT_TRUE(WaitForWorkers());
    for (const std::string& path : paths)
        EXPECT_EQ(Requests("GET", path), 1);
    EXPECT_EQ(Downloaded("zero.zip"), std::string(10, 'f'));
    EXPECT_EQ(m_core.m_histories.m_fileHistory.GetCount(), 1u);
    EXPECT_TRUE(m_fileList.Items().empty());
    EXPECT_EQ(m_core.m_urlStore.AllocatedUrls(), 0);
    EXPECT_EQ(m_core.PendingDownloads(), 0u);
}

TEST_F(DownloadWorkersTest, ADownloadIsAnnouncedLoggedAndRemembered)
{
    EXPECT_EQ(Download({"/f/5000/report.zip"}), 1u);
    ASSERT_TRUE(WaitForWorkers());

    const std::string url = m_server.Url("/f/5000/report.zip");
    const std::string status = "Downloaded " + url + "\n";
    EXPECT_EQ(Downloaded("report.zip"), std::string(5000, 'f'));
    EXPECT_EQ(LogLines(), std::vector<std::string>{"Downloaded " + url + " as " +
                                                   (m_downloads / "report.zip").string()});
    EXPECT_EQ(m_frame.StatusTexts(status), 1);
    EXPECT_GE(m_frame.ProgressPosts(), 2);                 // the open, then each block
    EXPECT_EQ(m_frame.Count<CDownloadsChangedEvent>(), 2); // after the file, at the end
    EXPECT_EQ(m_frame.Count<CWorkDoneEvent>(), 0);
    CCalendarTime when;
    ASSERT_TRUE(m_core.m_histories.m_fileHistory.Lookup(url, when));
    EXPECT_GE(when.year, 2024);
    EXPECT_EQ(m_core.m_stats.m_receivedFiles.load(), 1u);
    EXPECT_EQ(m_core.m_urlStore.AllocatedUrls(), 0);
}

TEST_F(DownloadWorkersTest, SizeLimits)
{
    SetOptions(
        [](COptions& o)
        {
            o.m_checkLength = kCheckLengthWhenDownloaded;
            o.m_minSizeK = 10;
            o.m_maxSizeK = 100;
        });
    // /liar/ tells HEAD 20 KiB and sends more; /long/ tells its length to the GET only.
    const std::pair<std::string, const char*> cases[] = {
        {"/f/10239/sz1.zip", "Too Small!"},
        {"/f/10240/sz2.zip", nullptr},
        {"/f/103423/sz3.zip", nullptr},
        {"/f/103424/sz4.zip", "Too Large!"},
        {"/chunked/90000/sz5.zip", nullptr},
        {"/chunked/103423/sz6.zip", nullptr},
        {"/chunked/103424/sz7.zip", "Too Large!"},
        {"/liar/300000/sz8.zip", "Too Large!"},
        {"/long/300000/sz9.zip", "Too Large!"},
        {"/long/3221225472/sz10.zip", "Too Large!"}, // 3 GiB: past 32 bits
    };
    std::vector<std::string> paths;
    std::vector<std::string> expected;
    for (const auto& [path, skipped] : cases)
    {
        paths.push_back(path);
        expected.push_back(skipped ? "Skipped " + m_server.Url(path) + ": " + skipped
                                   : DownloadedLine(path, path.substr(path.rfind('/') + 1)));
    }
    Download(paths);
    ASSERT_TRUE(WaitForWorkers());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(LogLines(), expected);
    for (const auto& [path, skipped] : cases)
    {
        const auto state = m_frame.LastState(m_server.Url(path));
        EXPECT_EQ(state, skipped ? std::make_pair(DOWNLOAD_SKIPPED, std::string(skipped))
                                 : std::make_pair(DOWNLOAD_DONE, std::string()))
            << path;
        EXPECT_EQ(Requests("HEAD", path), 1) << path;
    }
    EXPECT_EQ(Downloaded("sz5.zip").size(), 90000u);
    EXPECT_EQ(DirectoryNames(m_downloads),
              (std::set<std::string>{"sz2.zip", "sz3.zip", "sz5.zip", "sz6.zip"}));

    // A length checked when the file was found is not asked again.
    SetOptions([](COptions& o) { o.m_checkLength = kCheckLengthWhenFound; });
    Download({"/f/60000/big.zip"});
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(Requests("HEAD", "/f/60000/big.zip"), 0);
    EXPECT_EQ(Downloaded("big.zip").size(), 60000u);
    // Without size checks nothing is too large.
    SetOptions([](COptions& o) { o.m_checkLength = kCheckLengthNever; });
    Download({"/chunked/300000/free.zip"});
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(Downloaded("free.zip").size(), 300000u);
    EXPECT_EQ(m_core.m_histories.m_fileHistory.GetCount(), 6u);
}

TEST_F(DownloadWorkersTest, SkipsAndFailuresAreReportedAndNotRemembered)
{
    const fs::path existing = m_dir.Path() / "existing";
    fs::create_directory(existing);
    WriteFileBytes((existing / "abc.zip").string(), "old");
    const std::string deep = m_dir.File("a/b") + "/";
    struct CCase
    {
        std::string dir;
        std::int32_t policy;
        std::string path;
        std::string logTail; // after the URL
        std::string message;
        std::int64_t state; // as the downloads view hears of it, with the log line's reason
        rlim_t fileLimit = RLIM_INFINITY;
    } cases[] = {
        {existing.string() + "/", kDuplicateSkip, "/f/10/skip/abc.zip", ": Filename collision!", "",
         DOWNLOAD_SKIPPED},
        {deep, kDuplicateRename, "/f/10/deep/abc.zip", ": Filename collision!",
         "Failed to create " + deep + " directory", DOWNLOAD_SKIPPED},
        {deep, kDuplicateOverwrite, "/f/10/open/abc.zip", ": Filename collision!",
         "Failed to create " + deep + " directory", DOWNLOAD_SKIPPED},
        {existing.string() + "/", kDuplicateOverwrite, "/f/200000/abc.zip",
         " write error: File too large", "", DOWNLOAD_FAILED, 64 * 1024},
        {existing.string() + "/", kDuplicateRename, "/none.zip", ": HTTP error 404!", "",
         DOWNLOAD_FAILED},
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.path + " into " + c.dir);
        SetOptions(
            [&](COptions& o)
            {
                o.m_downloadDir = c.dir;
                o.m_duplicateAction = c.policy;
            });
        m_prompts.m_messages.clear();
        {
            const CFileSizeLimit limit(c.fileLimit);
            Download({c.path});
            ASSERT_TRUE(WaitForWorkers());
        }
        const std::string url = m_server.Url(c.path);
        const auto lines = LogLines();
        if (!c.logTail.empty())
        {
            const std::string prefix = c.logTail[0] == ':' ? "Skipped " : "File ";
            EXPECT_EQ(std::count(lines.begin(), lines.end(), prefix + url + c.logTail), 1);
        }
        const std::string reason = c.logTail.substr(c.logTail.find_first_not_of(": "));
        EXPECT_EQ(m_frame.LastState(url), std::make_pair(c.state, reason));
        EXPECT_EQ(m_prompts.m_messages, c.message.empty()
                                            ? std::vector<std::string>{}
                                            : std::vector<std::string>{"Harvestor: " + c.message});
    }
    EXPECT_FALSE(fs::exists(m_dir.Path() / "a"));
    EXPECT_EQ(ReadFileBytes((existing / "abc.zip").string()), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(existing), fs::directory_iterator()), 1);
    EXPECT_EQ(m_core.m_histories.m_fileHistory.GetCount(), 0u);
    EXPECT_EQ(m_core.m_stats.m_receivedFiles.load(), 0u);
    // Skipped files are no failures: the command-line tool's exit status counts only these.
    EXPECT_EQ(m_core.m_failedDownloads.load(), 2u);
    EXPECT_TRUE(m_fileList.Items().empty());
    EXPECT_EQ(m_core.m_urlStore.AllocatedUrls(), 0);
}

TEST_F(DownloadWorkersTest, CancelReturnsQueuedFilesAndClearsTheFlag)
{
    SetOptions([](COptions& o) { o.m_downloadThreads = 1; });
    std::vector<std::string> paths;
    for (int i = 0; i < 5; ++i)
        paths.push_back("/f/10/queued" + std::to_string(i) + ".zip");
    paths.push_back("/partial/cut.zip"); // last in, so served first
    Download(paths);
    // The server sent its first part and the worker wrote a block (the open posts a step too).
    ASSERT_TRUE(WaitFor([&] { return m_stalled.load() > 0 && m_frame.ProgressPosts() > 1; }));
    m_core.m_cancelDownload = true;
    ASSERT_TRUE(WaitForWorkers());

    EXPECT_FALSE(m_core.m_cancelDownload.load());
    const auto items = m_fileList.Items();
    EXPECT_EQ(items.size(), 5u);
    for (int i = 0; i < 5; ++i)
    {
        EXPECT_TRUE(m_core.m_urlStore.IsInFileList(m_server.Url(paths[i])));
        EXPECT_EQ(m_frame.LastState(m_server.Url(paths[i])).first, DOWNLOAD_RETURNED);
    }
    EXPECT_EQ(m_frame.LastState(m_server.Url(paths[5])).first, DOWNLOAD_CANCELLED);
    // The interrupted file leaves nothing on disk and is not listed again.
    EXPECT_TRUE(fs::is_empty(m_downloads));
    EXPECT_EQ(m_core.m_histories.m_fileHistory.GetCount(), 0u);
    EXPECT_EQ(m_core.m_urlStore.AllocatedUrls(), 5);
    EXPECT_TRUE(LogLines().empty());

    // With the flag clear, the next start downloads again.
    EXPECT_EQ(Download({"/f/10/after.zip"}), 1u);
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(Downloaded("after.zip"), std::string(10, 'f'));
    m_fileList.RemoveAll(m_core.m_urlStore);
}

TEST_F(DownloadWorkersTest, TerminateWhenDoneClosesOnlyWhenNothingRuns)
{
    SetOptions([](COptions& o) { o.m_terminateWhenDone = true; });
    {
        const CHeldWork browse(m_core, CWorkerThreads::EKind::Browse);
        Download({"/f/10/one.zip"});
        ASSERT_TRUE(m_core.m_threads.WaitForThreads(CWorkerThreads::EKind::Download,
                                                    std::chrono::seconds(60)));
        EXPECT_EQ(m_frame.Count<CWorkDoneEvent>(), 0);
    }
    ASSERT_TRUE(WaitForWorkers());

    Download({"/f/10/two.zip"});
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(m_frame.Count<CWorkDoneEvent>(), 1);
}

TEST_F(DownloadWorkersTest, ManyWorkersWhileTheQueueFills)
{
    constexpr int kFiles = 500;
    SetOptions([](COptions& o) { o.m_downloadThreads = 20; });
    const auto pathOf = [](int i)
    { return "/f/" + std::to_string(100 + i * 7) + "/file" + std::to_string(i) + ".zip"; };

    // The user-interface thread's part: queue a batch, handle the start message, go on.
    for (int batch = 0; batch < kFiles / 25; ++batch)
    {
        std::vector<std::string> paths;
        for (int i = batch * 25; i < (batch + 1) * 25; ++i)
            paths.push_back(pathOf(i));
        Download(paths);
        EXPECT_LE(m_core.RunningDownloads(), 20u);
        std::this_thread::yield();
    }
    ASSERT_TRUE(WaitForWorkers());

    std::uint32_t bytes = 0;
    for (int i = 0; i < kFiles; ++i)
    {
        EXPECT_EQ(Requests("GET", pathOf(i)), 1) << i;
        EXPECT_EQ(Downloaded("file" + std::to_string(i) + ".zip").size(), 100u + i * 7) << i;
        EXPECT_TRUE(m_core.m_histories.m_fileHistory.Contains(m_server.Url(pathOf(i)))) << i;
        bytes += 100 + i * 7;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(m_downloads), fs::directory_iterator()), kFiles);
    EXPECT_EQ(m_core.m_histories.m_fileHistory.GetCount(), std::size_t{kFiles});
    EXPECT_EQ(m_core.m_stats.m_receivedFiles.load(), std::uint32_t{kFiles});
    EXPECT_EQ(m_core.m_stats.m_receivedBytes.load(), bytes);
    EXPECT_GE(m_frame.Count<CDownloadsChangedEvent>(), kFiles);
    EXPECT_EQ(m_core.m_urlStore.AllocatedUrls(), 0);
    EXPECT_EQ(m_core.PendingDownloads(), 0u);
    EXPECT_FALSE(m_core.m_cancelDownload.load());
}

TEST_F(DownloadWorkersTest, ADownloadCutByClosingTheProgramContinuesInTheNextRun)
{
    constexpr std::size_t kBytes = 400 * 1024;
    constexpr std::size_t kCut = kBytes * 40 / 100;
    std::string body(kBytes, '\0');
    for (std::size_t i = 0; i < kBytes; ++i)
        body[i] = static_cast<char>(i * 7 + i / 256);
    std::vector<std::string> ranges;
    std::mutex rangesMutex;
    CHostileServer server;
    server.Handle("/big.zip",
                  [&](CHostileExchange& exchange)
                  {
                      const std::string range = exchange.Header("Range");
                      {
                          std::lock_guard lock(rangesMutex);
                          ranges.push_back(range);
                      }
                      if (range.empty())
                      {
                          exchange.Send("HTTP/1.1 200 OK\r\nETag: \"b1\"\r\nContent-Length: " +
                                        std::to_string(kBytes) + "\r\n\r\n");
                          exchange.Send(std::string_view(body).substr(0, kCut));
                          exchange.Stall();
                          return false;
                      }
                      const std::size_t from = std::stoul(range.substr(6));
                      return exchange.Answer(
                          206, "application/zip", body.substr(from),
                          "ETag: \"b1\"\r\nContent-Range: bytes " + std::to_string(from) + "-" +
                              std::to_string(kBytes - 1) + "/" + std::to_string(kBytes) + "\r\n");
                  });
    const std::string url = server.Url("/big.zip");
    std::uint32_t kept = 0;
    {
        // The first run: closing it cancels the download while its bytes come.
        CRecordingObserver frame;
        CTrawlerCore first(m_dir.Path().string(), m_dir.File("first.log"));
        first.m_options = m_core.m_options;
        first.PublishOptions();
        first.m_events.Install(&frame);
        ASSERT_TRUE(first.OpenSession("Hvstr152"));
        ASSERT_TRUE(QueueForDownload(first, HoldNew(first.m_urlStore, url)));
        StartDownloadWorkers(first);
        ASSERT_TRUE(
            WaitFor([&] { return server.StallsBegun() > 0 && frame.MostReceived(url) > 0; }));
        first.m_cancelDownload = true;
        ASSERT_TRUE(WaitForDownloadWorkers(first, std::chrono::seconds(60)));
        EXPECT_EQ(frame.LastState(url).first, DOWNLOAD_CANCELLED);
        kept = first.m_stats.m_receivedBytes.load();
        first.m_events.Install(nullptr);
    }
    EXPECT_FALSE(fs::exists(m_downloads / "big.zip"));

    Download({});
    EXPECT_TRUE(QueueForDownload(m_core, HoldNew(m_core.m_urlStore, url)));
    StartDownloadWorkers(m_core);
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(m_frame.LastState(url).first, DOWNLOAD_DONE);
    EXPECT_TRUE(Downloaded("big.zip") == body);
    std::lock_guard lock(rangesMutex);
    EXPECT_GT(kept, 0u);
    EXPECT_EQ(ranges, (std::vector<std::string>{"", "bytes=" + std::to_string(kept) + "-"}));
    EXPECT_EQ(m_core.m_stats.m_receivedBytes.load(), kBytes - kept);
}

TEST_F(DownloadWorkersTest, FilesAreSavedUnderTheNameTheAnswerGives)
{
    // Each script answers with its own Content-Disposition; "none" with none at all.
    const std::map<std::string, std::string> dispositions = {
        {"both", "attachment; filename=\"fallback.pdf\"; filename*=UTF-8''%C3%BCbersicht%20v2.pdf"},
        {"star", "attachment; filename*=utf-8''r%C3%A9sum%C3%A9%20(1).pdf"},
        {"plain", "attachment; filename=\"manual v2.pdf\""},
        {"evil", "attachment; filename=\"../../.bashrc\""},
        {"bidi", "attachment; filename*=UTF-8''evil%E2%80%AEfdp.exe"},
    };
    m_server.Server().Get(R"(/get\.php)",
                          [&](const httplib::Request& request, httplib::Response& response)
                          {
                              const auto found = dispositions.find(request.get_param_value("f"));
                              if (found != dispositions.end())
                                  response.set_header("Content-Disposition", found->second);
                              response.set_content(request.get_param_value("f"), "application/pdf");
                          });
    m_server.Server().Get(R"(/files/.+)", [](const httplib::Request&, httplib::Response& response)
                          { response.set_content("url", "application/zip"); });
    const std::pair<std::string, std::string> cases[] = {
        {"/get.php?f=both", "\u00FCbersicht v2.pdf"},
        {"/get.php?f=star", "r\xC3\xA9sum\xC3\xA9 (1).pdf"},
        {"/get.php?f=plain", "manual v2.pdf"},
        {"/get.php?f=evil", "_._.._.bashrc"},
        {"/get.php?f=bidi", "evil_fdp.exe"},
        {"/get.php?f=none", "get.php"},
        {"/files/my%20file%20%281%29.zip", "my file (1).zip"},
    };
    std::vector<std::string> paths;
    for (const auto& [path, name] : cases)
        paths.push_back(path);
    Download(paths);
    ASSERT_TRUE(WaitForWorkers());
    for (const auto& [path, name] : cases)
    {
        EXPECT_TRUE(fs::exists(m_downloads / name)) << path;
        const auto lines = LogLines();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), DownloadedLine(path, name)), 1) << path;
    }
    // Nothing lands outside the folder, and nothing is hidden.
    EXPECT_FALSE(fs::exists(m_dir.Path() / ".bashrc"));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_downloads), fs::directory_iterator()),
              std::ssize(cases));

    // The name the answer gives is the one the duplicate policy protects: skip costs the
    // request's headers, and keeps the file.
    SetOptions([](COptions& o) { o.m_duplicateAction = kDuplicateSkip; });
    Download({"/get.php?f=plain&again=1"});
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(m_frame.LastState(m_server.Url("/get.php?f=plain&again=1")),
              std::make_pair(std::int64_t{DOWNLOAD_SKIPPED}, std::string("Filename collision!")));
    EXPECT_EQ(Downloaded("manual v2.pdf"), "plain");
}
