#include "core/TrawlerCore.h"
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
