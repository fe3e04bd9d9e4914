#include "cli/EventQueue.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

using namespace std::chrono_literals;

// The headless front-end sleeps on the queue: which events wake it at once, which wait for the
// progress line's next redraw, and which it never sees.
TEST(EventQueue, TheEndOfTheWorkWakesTheFrontEndAtOnceAndProgressDoesNot)
{
    enum EHandling
    {
        kWakes,
        kWaits,
        kDropped,
    };
    struct CCase
    {
        const char* name;
        CEngineEvent event;
        EHandling handling;
    };
    const CCase cases[] = {
        {"work done", CWorkDoneEvent{}, kWakes},
        {"crawl stopped", CCrawlStoppedEvent{"stopped"}, kWakes},
        {"download failed", CDownloadStateEvent{DOWNLOAD_FAILED, {}}, kWakes},
        {"page being read", CPageStateEvent{"http://h/", 1, kPageImageReading}, kWaits},
        {"file found", CFileFoundEvent{"http://h/a.zip", ""}, kWaits},
        {"page read", CPageStateEvent{"http://h/", 1, kPageImageDone}, kDropped},
        {"download done", CDownloadStateEvent{DOWNLOAD_DONE, {}}, kDropped},
        {"progress", CProgressStepEvent{1}, kDropped},
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
        if (c.handling == kDropped)
        {
            EXPECT_FALSE(event.has_value() || queue.TakeAll().size() != 0);
            continue;
        }
        ASSERT_TRUE(event.has_value()) << "every kept event is handed out in the end";
        EXPECT_EQ(event->index(), c.event.index());
        if (c.handling == kWakes)
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
