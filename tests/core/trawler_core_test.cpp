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

TEST(TrawlerCore, PendingDownloadsCountQueueAndWorkersIntoTheStatistic)
{
    CTempDir dir;
    CTrawlerCore core(dir.Path().string(), dir.File("hvstr.log"));
    core.m_downloadQueue.Add(HoldNew(core.m_urlStore, "http://h/a.zip"));
    core.m_downloadQueue.Add(HoldNew(core.m_urlStore, "http://h/b.zip"));
    const CHeldWork workers[3]{{core, CWorkerThreads::EKind::Download},
                               {core, CWorkerThreads::EKind::Download},
                               {core, CWorkerThreads::EKind::Download}};
    const CHeldWork browse(core, CWorkerThreads::EKind::Browse);
    EXPECT_EQ(core.PendingDownloads(), 5u) << "browses are not downloads";
    EXPECT_EQ(core.m_stats.m_queuedFiles.load(), 5u);
}
