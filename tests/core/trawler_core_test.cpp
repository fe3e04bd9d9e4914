#include "core/TrawlerCore.h"
#include "support/HeldWork.h"
#include "support/StoreHolds.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

TEST(TrawlerCore, NewRecordsTakeTheVisitedMarkFromThePageHistory)
{
    CTempDir dir;
    CTrawlerCore core(dir.Path().string(), dir.File("hvstr.log"));
    core.m_histories.m_urlHistory.Add("http://h/seen.htm", CCalendarTime{});
    EXPECT_TRUE(core.NewRecord("http://h/seen.htm")->IsVisited());
    EXPECT_FALSE(core.NewRecord("http://h/SEEN.htm")->IsVisited()) << "exact, case-sensitive";
    EXPECT_FALSE(core.NewRecord("http://h/other.htm")->IsVisited());
}

TEST(TrawlerCore, PendingDownloadsCountQueuedAndServedFilesIntoTheStatistic)
{
    CTempDir dir;
    CTrawlerCore core(dir.Path().string(), dir.File("hvstr.log"));
    core.m_downloadQueue.Add(HoldNew(core.m_urlStore, "http://h/a.zip"));
    core.m_downloadQueue.Add(HoldNew(core.m_urlStore, "http://h/b.zip"));
    const CHeldWork workers[3]{{core, CWorkerThreads::EKind::Download},
                               {core, CWorkerThreads::EKind::Download},
                               {core, CWorkerThreads::EKind::Download}};
    const CHeldWork browse(core, CWorkerThreads::EKind::Browse);
    // Workers without a file (just started, or between files) are not files.
    EXPECT_EQ(core.PendingDownloads(), 2u) << "browses and idle workers are not downloads";
    core.m_filesInDownload.store(1); // a worker took a file
    EXPECT_EQ(core.PendingDownloads(), 3u);
    EXPECT_EQ(core.m_stats.m_queuedFiles.load(), 3u);
}
