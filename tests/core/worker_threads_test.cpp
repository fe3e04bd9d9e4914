#include "core/WorkerThreads.h"
#include "support/WaitFor.h"

#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <vector>

namespace
{

using EKind = CWorkerThreads::EKind;
using namespace std::chrono_literals;

// A body that works until its thread is asked to stop, as a browse waiting for a server does.
auto UntilStopped(std::atomic<int>& stopped)
{
    return [&stopped](std::stop_token stop)
    {
        std::mutex mutex;
        std::condition_variable_any never;
        std::unique_lock lock(mutex);
        never.wait(lock, stop, [] { return false; });
        stopped.fetch_add(1);
    };
}

TEST(WorkerThreads, CloseStopsAndJoinsEveryThreadAndStartsNoMore)
{
    std::atomic<int> stopped{0};
    CWorkerThreads threads;
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(threads.Start(i % 2 ? EKind::Browse : EKind::Download, UntilStopped(stopped)));
    EXPECT_EQ(threads.Working(EKind::Browse), 4u);
    EXPECT_EQ(threads.Working(EKind::Download), 4u);
    EXPECT_FALSE(threads.WaitForThreads(20ms)) << "nothing ends by itself";

    threads.Close();
    ASSERT_TRUE(threads.WaitForThreads(5s));
    EXPECT_EQ(stopped.load(), 8);
    EXPECT_FALSE(threads.AnyThreadRunning());
    EXPECT_TRUE(threads.AllWorkDone()) << "a body that returns ends its work";

    bool ran = false;
    EXPECT_FALSE(threads.Start(EKind::Browse, [&ran](std::stop_token) { ran = true; }));
    threads.JoinAll();
    EXPECT_FALSE(ran);
}

// The destructor stops and joins threads still at work: what they use must outlive them (the
// sanitizers see a thread that runs on).
TEST(WorkerThreads, DestructionJoinsThreadsStillAtWork)
{
    std::atomic<int> stopped{0};
    {
        CWorkerThreads threads;
        for (int i = 0; i < 4; ++i)
            ASSERT_TRUE(threads.Start(EKind::Download, UntilStopped(stopped)));
    }
    EXPECT_EQ(stopped.load(), 4);
}

TEST(WorkerThreads, StartsNoMoreThanTheMaximumOfItsKind)
{
    std::atomic<int> stopped{0};
    CWorkerThreads threads;
    EXPECT_TRUE(threads.Start(EKind::Download, UntilStopped(stopped), 2));
    EXPECT_TRUE(threads.Start(EKind::Download, UntilStopped(stopped), 2));
    EXPECT_FALSE(threads.Start(EKind::Download, UntilStopped(stopped), 2));
    EXPECT_TRUE(threads.Start(EKind::Browse, UntilStopped(stopped), 2)) << "kinds count apart";
    EXPECT_EQ(threads.Working(EKind::Download), 2u);
}

// Whether all work is done is decided where the work ends: of many bodies that end at once,
// exactly the last to end its work sees it, and only while the rest (a queue) is idle too.
TEST(WorkerThreads, OnlyTheLastEndSeesAllWorkDone)
{
    for (const bool queueEmpty : {true, false})
    {
        std::atomic<bool> empty{queueEmpty};
        std::atomic<int> sawDone{0};
        std::atomic<int> stayed{0};
        std::atomic<bool> go{false};
        CWorkerThreads threads([&empty] { return empty.load(); });
        for (int i = 0; i < 16; ++i)
            ASSERT_TRUE(threads.Start(i % 3 ? EKind::Download : EKind::Browse,
                                      [&](std::stop_token)
                                      {
                                          WaitFor([&] { return go.load(); });
                                          // The first answer keeps the work counted.
                                          bool asked = false;
                                          CWorkerThreads::CEnd end;
                                          do
                                          {
                                              end = threads.EndWork(
                                                  [&]
                                                  {
                                                      const bool stay = !asked;
                                                      asked = true;
                                                      return stay;
                                                  });
                                              stayed += end.ended ? 0 : 1;
                                          } while (!end.ended);
                                          sawDone += end.allDone ? 1 : 0;
                                          EXPECT_FALSE(threads.EndWork().allDone)
                                              << "a second end only reports";
                                      }));
        go = true;
        ASSERT_TRUE(threads.WaitForThreads(10s));
        EXPECT_EQ(stayed.load(), 16);
        EXPECT_EQ(sawDone.load(), queueEmpty ? 1 : 0);
        EXPECT_EQ(threads.AllWorkDone(), queueEmpty);
    }
}

// A long run keeps no ended threads: each start joins the ones that ended before it.
TEST(WorkerThreads, ManyShortThreadsInARow)
{
    CWorkerThreads threads;
    std::atomic<int> ran{0};
    for (int i = 0; i < 500; ++i)
    {
        ASSERT_TRUE(threads.Start(EKind::Download, [&ran](std::stop_token) { ran.fetch_add(1); }))
            << i;
        if (i % 100 == 0)
        {
            ASSERT_TRUE(threads.WaitForThreads(EKind::Download, 5s));
        }
    }
    ASSERT_TRUE(threads.WaitForThreads(5s));
    EXPECT_EQ(ran.load(), 500);
}

} // namespace
