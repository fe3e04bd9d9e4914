#include "cli/EventQueue.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

using namespace std::chrono_literals;

// The headless front-end sleeps on the queue: which events wake it at once, and which wait for
// the progress line's next redraw.
TEST(EventQueue, TheEndOfTheWorkWakesTheFrontEndAtOnceAndProgressDoesNot)
{
    struct CCase
    {
        const char* name;
        CEngineEvent event;
        bool wakes;
    };
    const CCase cases[] = {
        {"work done", CWorkDoneEvent{}, true},
        {"crawl stopped", CCrawlStoppedEvent{"stopped"}, true},
        {"download failed", CDownloadStateEvent{DOWNLOAD_FAILED, {}}, true},
        {"page state", CPageStateEvent{"http://h/", 1, kPageImageReading}, false},
        {"progress", CProgressStepEvent{1}, false},
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        CEventQueue queue;
        std::thread poster(
            [&]
            {
                std::this_thread::sleep_for(50ms);
                queue.OnEvent(c.event);
            });
        const auto start = std::chrono::steady_clock::now();
        const auto event = queue.Next(500ms);
        const auto waited = std::chrono::steady_clock::now() - start;
        poster.join();
        ASSERT_TRUE(event.has_value()) << "every event is handed out in the end";
        EXPECT_EQ(event->index(), c.event.index());
        if (c.wakes)
            EXPECT_LT(waited, 400ms);
        else
            EXPECT_GE(waited, 500ms);
    }
}

TEST(EventQueue, ALoginPromptIsCancelledAtOnceAndNotQueued)
{
    CEventQueue queue;
    auto request = std::make_shared<CLoginRequest>("h", "ann", "pw");
    queue.OnEvent(CLoginPromptEvent{request});
    std::atomic<bool> cancel{false};
    EXPECT_FALSE(request->Wait(&cancel).ok);
    EXPECT_FALSE(queue.Next(0ms).has_value());
}
