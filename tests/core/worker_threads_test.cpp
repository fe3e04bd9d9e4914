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

// Starts count per kind up to the maximum; the destructor stops and joins threads still at work
// (the sanitizers would see one that runs on past what it uses).
TEST(WorkerThreads, StartsNoMoreThanTheMaximumOfItsKindAndDestructionJoinsThem)
{
    std::atomic<int> stopped{0};
    {
        CWorkerThreads threads;
        EXPECT_TRUE(threads.Start(EKind::Download, UntilStopped(stopped), 2));
        EXPECT_TRUE(threads.Start(EKind::Download, UntilStopped(stopped), 2));
        EXPECT_FALSE(threads.Start(EKind::Download, UntilStopped(stopped), 2));
        EXPECT_TRUE(threads.Start(EKind::Browse, UntilStopped(stopped), 2)) << "kinds count apart";
        EXPECT_EQ(threads.Working(EKind::Download), 2u);
    }
    EXPECT_EQ(stopped.load(), 3);
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

} // namespace
