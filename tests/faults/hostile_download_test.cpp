#include "HostileFixture.h"
#include "download/DownloadWorkers.h"
#include "settings/TSList.h"
#include "support/WaitFor.h"

#include <filesystem>

namespace
{

class CHostileDownloads : public CHostileTest
{
protected:
    void SetUp() override
    {
        CHostileTest::SetUp();
        m_core->m_options.m_downloadDir = m_dir.File("dl") + "/";
        m_core->m_options.m_downloadThreads = 6;
        m_core->m_options.m_duplicateAction = kDuplicateRename;
        m_core->PublishOptions();
    }

    void QueueEveryFile()
    {
        for (const CHostileResource& file : m_site.Files())
            ASSERT_TRUE(QueueForDownload(*m_core, HoldNew(m_core->m_urlStore, m_site.UrlOf(file))))
                << file.path;
    }

    // The local file of a download that the log reports.
    std::string DownloadedAs(const std::string& log, const std::string& url)
    {
        const std::string prefix = "Downloaded " + url + " as ";
        const std::size_t at = log.find(prefix);
        if (at == std::string::npos)
            return {};
        const std::size_t from = at + prefix.size();
        return log.substr(from, log.find('\n', from) - from);
    }
};

// Six workers on every hostile file: only complete files are downloaded, counted and
// remembered; each failure leaves its own log line, and every record goes afterwards.
TEST_F(CHostileDownloads, OnlyCompleteFilesCountAsDownloaded)
{
    QueueEveryFile();
    EXPECT_EQ(StartDownloadWorkers(*m_core), 6u);
    ASSERT_TRUE(WaitForDownloadWorkers(*m_core, std::chrono::seconds(60)));

    const std::string log = Log();
    std::uint32_t complete = 0;
    for (const CHostileResource& file : m_site.Files())
    {
        const std::string url = m_site.UrlOf(file);
        const bool remembered = m_core->m_histories.m_fileHistory.Contains(url);
        const std::string local = DownloadedAs(log, url);
        switch (file.outcome)
        {
        case EHostileOutcome::kRead:
            ++complete;
            EXPECT_TRUE(remembered) << url;
            ASSERT_FALSE(local.empty()) << url;
            EXPECT_EQ(std::filesystem::file_size(local), file.bytes) << url;
            break;
        case EHostileOutcome::kCutShort:
            EXPECT_FALSE(remembered) << url;
            EXPECT_TRUE(local.empty()) << url;
            EXPECT_TRUE(Holds(log, "Failed " + url + ": connection problem: ")) << url;
            break;
        case EHostileOutcome::kHttpError:
            EXPECT_FALSE(remembered) << url;
            EXPECT_TRUE(local.empty()) << url;
            EXPECT_TRUE(Holds(log, "Skipped " + url + ": HTTP error " +
                                       std::to_string(file.status) + "!\n"))
                << url;
            break;
        case EHostileOutcome::kConnectionProblem:
            EXPECT_FALSE(remembered) << url;
            EXPECT_TRUE(local.empty()) << url;
            EXPECT_TRUE(Holds(log, "File " + url + " connection problem: ")) << url;
            break;
        }
    }
    EXPECT_EQ(m_core->m_stats.m_receivedFiles.load(), complete);
    EXPECT_EQ(m_core->m_histories.m_fileHistory.GetCount(), complete);
    EXPECT_TRUE(m_list.Items().empty()) << "failed files are not put back";
    EXPECT_EQ(m_core->m_urlStore.AllocatedUrls(), 0);

    // What is written for the next run holds the same files.
    ASSERT_TRUE(m_core->m_histories.m_fileHistory.Save("files.his", m_dir.Path().string()));
    CTSList reread;
    ASSERT_TRUE(reread.Load("files.his", m_dir.Path().string()));
    EXPECT_EQ(reread.GetCount(), complete);
}

// A cancel while workers wait for stalled servers ends them at once; the files still queued
// go back to the file list and the stalled ones count as not downloaded.
TEST_F(CHostileDownloads, CancelEndsWorkersWaitingForStalledServers)
{
    SetTimeout(120);
    m_core->m_options.m_downloadThreads = 2;
    m_core->PublishOptions();
    // Last in, first out: the two stalls keep both workers busy, the good file waits.
    for (const char* path : {"/ok.zip", "/stall-head.zip", "/stall-body.zip"})
        ASSERT_TRUE(QueueForDownload(*m_core, HoldNew(m_core->m_urlStore, m_site.Url(path))));
    EXPECT_EQ(StartDownloadWorkers(*m_core), 2u);
    ASSERT_TRUE(
        WaitFor([&] { return m_site.Server().StallsBegun() == 2; }, std::chrono::seconds(30)));

    m_core->m_cancelDownload = true;
    ASSERT_TRUE(WaitForDownloadWorkers(*m_core, std::chrono::seconds(30)));
    EXPECT_FALSE(m_core->m_cancelDownload.load()) << "the last worker clears the flag";
    EXPECT_EQ(m_core->m_histories.m_fileHistory.GetCount(), 0u);
    EXPECT_EQ(ListUrls(), std::vector<std::string>{m_site.Url("/ok.zip")});
    EXPECT_FALSE(Holds(Log(), "connection problem")) << "a cancel is no failure";
    ExpectNothingLeftAfterClearing();
}

} // namespace
