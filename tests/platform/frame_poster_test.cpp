#include "platform/FrameMessages.h"
#include "support/RecordingFrame.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

TEST(FramePoster, DeliversValuesOnlyWhileASinkIsInstalled)
{
    CFramePoster poster;
    CRecordingFrame sink;
    poster.PostToMainFrame(WM_START_DOWNLOADS); // nobody listens yet
    poster.InstallSink(&sink);
    poster.PostToMainFrame(WM_SET_STATUS, STATUS_TEXT, CFramePayload::Text("Browsing http://h/"));
    poster.PostToMainFrame(WM_SITE_IMAGE, 2, CFramePayload::Page("http://h/a.htm", 1));
    poster.PostToMainFrame(WM_PROGRESS_STEP, -1);
    poster.InstallSink(nullptr);
    poster.PostToMainFrame(WM_CLOSE_PROGRAM);

    const std::vector<CFrameMessage> messages = sink.Messages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].message, WM_SET_STATUS);
    EXPECT_EQ(messages[0].payload.text, "Browsing http://h/");
    EXPECT_EQ(messages[1].wParam, 2);
    EXPECT_EQ(messages[1].payload.text, "http://h/a.htm");
    EXPECT_EQ(messages[1].payload.pageKind, 1);
    EXPECT_EQ(messages[2].wParam, -1);
}

TEST(FramePoster, ManyThreadsPostWhileTheSinkIsSwapped)
{
    CFramePoster poster;
    CRecordingFrame first, second;
    poster.InstallSink(&first);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(
            [&]
            {
                for (int i = 0; i < 2000; ++i)
                    poster.PostToMainFrame(WM_PROGRESS_STEP, 1);
            });
    poster.InstallSink(&second);
    for (auto& thread : threads)
        thread.join();
    poster.InstallSink(nullptr);
    EXPECT_EQ(first.Messages().size() + second.Messages().size(), 8000u);
}
