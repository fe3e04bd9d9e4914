#include "WorkerFixture.h"
#include "download/LocalName.h"

#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

using namespace std::chrono_literals;

class DownloadWorkersTest : public CWorkerTest
{
};

TEST_F(DownloadWorkersTest, StartsNoMoreThanTheConfiguredWorkers)
{
    SetOptions([](COptions& o) { o.m_downloadThreads = 0; });
    Queue("/f/10/zero.zip");
    EXPECT_EQ(StartDownloadWorkers(m_core), 0u);

    SetOptions([](COptions& o) { o.m_downloadThreads = 3; });
    for (int i = 0; i < 9; ++i)
        Queue("/stall/file" + std::to_string(i) + ".zip");
    EXPECT_EQ(StartDownloadWorkers(m_core), 3u);
    ASSERT_TRUE(WaitFor([&] { return m_stalled.load() == 3; }));
    EXPECT_EQ(StartDownloadWorkers(m_core), 0u);
    EXPECT_EQ(m_core.m_runningDownloads.load(), 3u);
    EXPECT_EQ(m_core.PendingDownloads(), 10u);

    m_server.Release();
    ASSERT_TRUE(WaitForWorkers());
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(Download("file" + std::to_string(i) + ".zip"), "late");
    EXPECT_EQ(Download("zero.zip"), std::string(10, 'f'));
    EXPECT_EQ(m_core.m_stats.m_receivedFiles.load(), 10u);
    EXPECT_EQ(m_core.m_histories.m_fileHistory.GetCount(), 10u);
    EXPECT_EQ(m_core.m_urlStore.AllocatedUrls(), 0);
    EXPECT_EQ(m_core.PendingDownloads(), 0u);
}

TEST_F(DownloadWorkersTest, ADownloadIsAnnouncedLoggedAndRemembered)
{
    Queue("/f/5000/report.zip");
    EXPECT_EQ(StartDownloadWorkers(m_core), 1u);
    ASSERT_TRUE(WaitForWorkers());

    const std::string url = m_server.Url("/f/5000/report.zip");
    const std::string path = (m_downloads / "report.zip").string();
    EXPECT_EQ(Download("report.zip"), std::string(5000, 'f'));
    EXPECT_EQ(LogLines(), std::vector<std::string>{"Downloaded " + url + " as " + path});
    EXPECT_EQ(m_frame.StatusTexts(), std::vector<std::string>{"Downloaded " + url + "\n"});
    EXPECT_GE(m_frame.Count(WM_PROGRESS_STEP, 1), 1);
    // One after the file, one as the worker ends.
    EXPECT_EQ(m_frame.Count(WM_SET_STATUS, STATUS_DOWNLOADS), 2);
    EXPECT_EQ(m_frame.Count(WM_SYSCOMMAND, SC_CLOSE), 0);

    CCalendarTime when;
    ASSERT_TRUE(m_core.m_histories.m_fileHistory.Lookup(url, when));
    EXPECT_GE(when.year, 2024);
    EXPECT_EQ(m_core.m_stats.m_receivedFiles.load(), 1u);
    EXPECT_EQ(m_core.m_urlStore.AllocatedUrls(), 0);
}

TEST_F(DownloadWorkersTest, SizeLimitsApplyWhenCheckedAtDownload)
{
    SetOptions(
        [](COptions& o)
        {
            o.m_checkLength = kCheckLengthWhenDownloaded;
            o.m_minSizeK = 10;
            o.m_maxSizeK = 100;
        });
    struct CCase
    {
        std::string path;
        std::string name;
        const char* skipped; // nullptr: downloaded
    } cases[] = {
        {"/f/10239/sz1.zip", "sz1.zip", "Too Small!"},
        {"/f/10240/sz2.zip", "sz2.zip", nullptr},
        {"/f/103423/sz3.zip", "sz3.zip", nullptr},
        {"/f/103424/sz4.zip", "sz4.zip", "Too Large!"},
        {"/chunked/200000/sz5.zip", "sz5.zip", nullptr},
    };
    for (const CCase& c : cases)
        Queue(c.path);
    StartDownloadWorkers(m_core);
    ASSERT_TRUE(WaitForWorkers());

    std::vector<std::string> expected;
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.path);
        const std::string url = m_server.Url(c.path);
        EXPECT_EQ(Requests("HEAD", c.path), 1);
        EXPECT_EQ(fs::exists(m_downloads / c.name), c.skipped == nullptr);
        EXPECT_EQ(m_core.m_histories.m_fileHistory.Contains(url), c.skipped == nullptr);
        expected.push_back(c.skipped
                               ? "Skipped " + url + ": " + c.skipped
                               : "Downloaded " + url + " as " + (m_downloads / c.name).string());
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(LogLines(), expected);
    EXPECT_EQ(Download("sz5.zip").size(), 200000u);
}

TEST_F(DownloadWorkersTest, SizesCheckedWhenFoundAreNotAskedAgain)
{
    SetOptions(
        [](COptions& o)
        {
            o.m_checkLength = kCheckLengthWhenFound;
            o.m_maxSizeK = 100;
        });
    Queue("/f/200000/big.zip");
    StartDownloadWorkers(m_core);
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(Requests("HEAD", "/f/200000/big.zip"), 0);
    EXPECT_EQ(Download("big.zip").size(), 200000u);
}

TEST_F(DownloadWorkersTest, DuplicatePoliciesThroughTheWorker)
{
    struct CCase
    {
        std::int32_t policy;
        bool downloadDirExists;
        std::string expectedFile; // "" when nothing is downloaded
        std::string logTail;      // the log line after the URL
        std::string message;      // the prompt shown, if any
    } cases[] = {
        {kDuplicateSkip, true, "", ": Filename collision!", ""},
        {kDuplicateRename, true, "abc0002.zip", "", ""},
        {kDuplicateSkipSameSize, true, "", ": Filename collision!", ""},
        {kDuplicateOverwrite, true, "abc.zip", "", ""},
        {kDuplicateOverwrite, false, "", "", "Failed to open "},
    };
    int round = 0;
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(round);
        const fs::path dir = m_dir.Path() / ("policy" + std::to_string(round++));
        if (c.downloadDirExists)
        {
            fs::create_directory(dir);
            WriteFileBytes((dir / "abc.zip").string(), "old");
            WriteFileBytes((dir / "abc0001.zip").string(), std::string(700, 'x'));
        }
        SetOptions(
            [&](COptions& o)
            {
                o.m_downloadDir = dir.string() + "/";
                o.m_duplicateAction = c.policy;
            });
        m_prompts.m_messages.clear();
        const std::string path = "/f/700/r" + std::to_string(round) + "/abc.zip";
        const std::string url = m_server.Url(path);
        Queue(path);
        StartDownloadWorkers(m_core);
        ASSERT_TRUE(WaitForWorkers());

        if (!c.expectedFile.empty())
        {
            EXPECT_EQ(ReadFileBytes((dir / c.expectedFile).string()), std::string(700, 'f'));
        }
        EXPECT_EQ(m_core.m_histories.m_fileHistory.Contains(url), !c.expectedFile.empty());
        if (!c.logTail.empty())
        {
            const auto lines = LogLines();
            EXPECT_EQ(std::count(lines.begin(), lines.end(), "Skipped " + url + c.logTail), 1);
        }
        if (c.message.empty())
        {
            EXPECT_TRUE(m_prompts.m_messages.empty());
        }
        else
        {
            ASSERT_EQ(m_prompts.m_messages.size(), 1u);
            EXPECT_EQ(m_prompts.m_messages[0],
                      "Harvestor: " + c.message + dir.string() + "/abc.zip");
            EXPECT_FALSE(fs::exists(dir));
        }
    }
}

TEST_F(DownloadWorkersTest, AnUncreatableDirectoryIsACollision)
{
    const std::string dir = (m_dir.Path() / "a" / "b").string() + "/";
    SetOptions([&](COptions& o) { o.m_downloadDir = dir; });
    Queue("/f/10/nodir.zip");
    StartDownloadWorkers(m_core);
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(m_prompts.m_messages,
              std::vector<std::string>{"Harvestor: Failed to create " + dir + " directory"});
    EXPECT_EQ(LogLines(), std::vector<std::string>{"Skipped " + m_server.Url("/f/10/nodir.zip") +
                                                   ": Filename collision!"});
    EXPECT_EQ(Requests("GET", "/f/10/nodir.zip"), 0);
}

TEST_F(DownloadWorkersTest, CancelReturnsQueuedFilesAndClearsTheFlag)
{
    SetOptions([](COptions& o) { o.m_downloadThreads = 1; });
    for (int i = 0; i < 5; ++i)
        Queue("/f/10/queued" + std::to_string(i) + ".zip");
    // Served first: the queue is last in, first out.
    Queue("/partial/cut.zip");
    StartDownloadWorkers(m_core);
    // The server sent its first part and the worker wrote a block (the open posts a step too).
    ASSERT_TRUE(
        WaitFor([&] { return m_stalled.load() > 0 && m_frame.Count(WM_PROGRESS_STEP, 1) > 1; }));
    m_core.m_cancelDownload = true;
    ASSERT_TRUE(WaitForWorkers());

    EXPECT_FALSE(m_core.m_cancelDownload.load());
    const auto items = m_fileList.Items();
    ASSERT_EQ(items.size(), 5u);
    for (int i = 0; i < 5; ++i)
    {
        const std::string url = m_server.Url("/f/10/queued" + std::to_string(i) + ".zip");
        EXPECT_EQ(items.count(url), 1u);
        EXPECT_TRUE(m_core.m_urlStore.IsInFileList(url));
    }
    // The interrupted file stays, partly written, and is not listed again.
    EXPECT_GE(Download("cut.zip").size(), 1024u);
    EXPECT_LT(Download("cut.zip").size(), 100000u);
    EXPECT_EQ(m_core.m_histories.m_fileHistory.GetCount(), 0u);
    EXPECT_EQ(m_core.m_urlStore.AllocatedUrls(), 5);
    EXPECT_TRUE(LogLines().empty());

    // With the flag clear, the next start downloads again.
    Queue("/f/10/after.zip");
    EXPECT_EQ(StartDownloadWorkers(m_core), 1u);
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(Download("after.zip"), std::string(10, 'f'));
    m_fileList.RemoveAll(m_core.m_urlStore);
}

TEST_F(DownloadWorkersTest, FailedDownloadsAreNeitherListedNorRemembered)
{
    // A full disk: the target is a link to /dev/full, written through by the overwrite policy.
    fs::create_directory(m_downloads);
    fs::create_symlink("/dev/full", m_downloads / "full.zip");
    SetOptions([](COptions& o) { o.m_duplicateAction = kDuplicateOverwrite; });
    Queue("/f/200000/full.zip");
    Queue("/missing.zip");
    StartDownloadWorkers(m_core);
    ASSERT_TRUE(WaitForWorkers());

    EXPECT_EQ(LogLines(), (std::vector<std::string>{"File " + m_server.Url("/f/200000/full.zip") +
                                                        " write error: No space left on device",
                                                    "Skipped " + m_server.Url("/missing.zip") +
                                                        ": HTTP error 404!"}));
    EXPECT_TRUE(m_fileList.Items().empty());
    EXPECT_EQ(m_core.m_histories.m_fileHistory.GetCount(), 0u);
    EXPECT_EQ(m_core.m_stats.m_receivedFiles.load(), 0u);
    EXPECT_TRUE(m_frame.StatusTexts().empty());
    EXPECT_EQ(m_core.m_urlStore.AllocatedUrls(), 0);
}

TEST_F(DownloadWorkersTest, TerminateWhenDoneClosesOnlyWhenNothingRuns)
{
    SetOptions([](COptions& o) { o.m_terminateWhenDone = true; });
    m_core.m_liveBrowsers = 1;
    Queue("/f/10/one.zip");
    StartDownloadWorkers(m_core);
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(m_frame.Count(WM_SYSCOMMAND, SC_CLOSE), 0);

    m_core.m_liveBrowsers = 0;
    Queue("/f/10/two.zip");
    StartDownloadWorkers(m_core);
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(m_frame.Count(WM_SYSCOMMAND, SC_CLOSE), 1);
}

TEST_F(DownloadWorkersTest, QueueingAQueuedUrlGivesItsReferenceBack)
{
    auto* first = new CUrl(m_server.Url("/f/10/twice.zip"));
    ASSERT_TRUE(QueueForDownload(m_core, *first));
    CUrl second(m_server.Url("/f/10/twice.zip"));
    bool storeOwns = true;
    EXPECT_FALSE(QueueForDownload(m_core, second, &storeOwns));
    EXPECT_FALSE(storeOwns);
    EXPECT_EQ(m_core.m_downloadQueue.Count(), 1u);

    StartDownloadWorkers(m_core);
    ASSERT_TRUE(WaitForWorkers());
    // Only the queue's reference was left: the record is gone once it is downloaded.
    EXPECT_EQ(m_core.m_urlStore.AllocatedUrls(), 0);
}

TEST_F(DownloadWorkersTest, ManyWorkersWhileTheQueueFills)
{
    constexpr int kFiles = 500;
    SetOptions([](COptions& o) { o.m_downloadThreads = 20; });
    const auto pathOf = [](int i)
    { return "/f/" + std::to_string(100 + i * 7) + "/file" + std::to_string(i) + ".zip"; };

    // The user-interface thread's part: queue a batch, then handle the start message.
    for (int i = 0; i < kFiles; ++i)
    {
        Queue(pathOf(i));
        if (i % 25 == 24)
        {
            StartDownloadWorkers(m_core);
            std::this_thread::sleep_for(1ms);
        }
        EXPECT_LE(m_core.m_runningDownloads.load(), 20u);
    }
    ASSERT_TRUE(WaitForWorkers());

    std::uint32_t bytes = 0;
    for (int i = 0; i < kFiles; ++i)
    {
        SCOPED_TRACE(i);
        const std::size_t size = 100 + i * 7;
        EXPECT_EQ(Requests("GET", pathOf(i)), 1);
        EXPECT_EQ(Download("file" + std::to_string(i) + ".zip").size(), size);
        EXPECT_TRUE(m_core.m_histories.m_fileHistory.Contains(m_server.Url(pathOf(i))));
        bytes += static_cast<std::uint32_t>(size);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(m_downloads), fs::directory_iterator()), kFiles);
    EXPECT_EQ(m_core.m_histories.m_fileHistory.GetCount(), std::size_t{kFiles});
    EXPECT_EQ(m_core.m_stats.m_receivedFiles.load(), std::uint32_t{kFiles});
    EXPECT_EQ(m_core.m_stats.m_receivedBytes.load(), bytes);
    EXPECT_EQ(m_frame.StatusTexts().size(), std::size_t{kFiles});
    EXPECT_EQ(m_core.m_urlStore.AllocatedUrls(), 0);
    EXPECT_EQ(m_core.m_downloadQueue.Count(), 0u);
    EXPECT_EQ(m_core.PendingDownloads(), 0u);
    EXPECT_FALSE(m_core.m_cancelDownload.load());
}
