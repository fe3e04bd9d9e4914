#include "platform/FrameMessages.h"

#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

namespace
{
class CRecordingSink : public CFrameMessageSink
{
public:
    void Deliver(CFrameMessage message) override
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(std::move(message));
    }
    std::vector<CFrameMessage> m_messages;
    std::mutex m_mutex;
};
} // namespace

TEST(FramePoster, DeliversValuesOnlyWhileASinkIsInstalled)
{
    CFramePoster poster;
    CRecordingSink sink;
    poster.PostToMainFrame(WM_START_DOWNLOADS); // nobody listens yet
    poster.InstallSink(&sink);
    poster.PostToMainFrame(WM_SET_STATUS, STATUS_TEXT, CFramePayload::Text("Browsing http://h/"));
    poster.PostToMainFrame(WM_SITE_IMAGE, 2, CFramePayload::Page("http://h/a.htm", 1));
    poster.PostToMainFrame(WM_PROGRESS_STEP, -1);
    poster.InstallSink(nullptr);
    poster.PostToMainFrame(WM_SYSCOMMAND, SC_CLOSE);

    ASSERT_EQ(sink.m_messages.size(), 3u);
    EXPECT_EQ(sink.m_messages[0].message, WM_SET_STATUS);
    EXPECT_EQ(sink.m_messages[0].payload.text, "Browsing http://h/");
    EXPECT_EQ(sink.m_messages[1].wParam, 2);
    EXPECT_EQ(sink.m_messages[1].payload.text, "http://h/a.htm");
    EXPECT_EQ(sink.m_messages[1].payload.pageKind, 1);
    EXPECT_EQ(sink.m_messages[2].wParam, -1);
}

TEST(FramePoster, ManyThreadsPostWhileTheSinkIsSwapped)
{
    CFramePoster poster;
    CRecordingSink first, second;
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
    EXPECT_EQ(first.m_messages.size() + second.m_messages.size(), 8000u);
}
