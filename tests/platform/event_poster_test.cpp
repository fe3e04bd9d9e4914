#include "platform/EventPoster.h"
#include "support/RecordingObserver.h"
#include "support/WaitFor.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

// Only an installed observer hears events, and a swap loses none of those posted meanwhile.
TEST(EventPoster, EveryEventReachesTheObserverInstalledAtItsPost)
{
    CEventPoster poster;
    CRecordingObserver first, second;
    poster.Post(CDownloadsChangedEvent{}); // nobody listens yet
    poster.Install(&first);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(
            [&]
            {
                for (int i = 0; i < 2000; ++i)
                    poster.Post(CProgressStepEvent{1});
            });
    poster.Install(&second);
    for (auto& thread : threads)
        thread.join();
    poster.Install(nullptr);
    poster.Post(CWorkDoneEvent{});
    EXPECT_EQ(first.Events().size() + second.Events().size(), 8000u);
}

// A login question on a worker thread, and each way its wait ends.
class LoginPrompt : public ::testing::Test
{
protected:
    LoginPrompt() { m_observer.HoldLoginPrompts(); }
    // Asks on a thread of its own; the answer lands in m_answer.
    void Ask()
    {
        m_asker = std::thread(
            [this]
            {
                m_answer = m_poster.AskLogin(std::make_shared<CLoginRequest>("h", "ann", "old"),
                                             &m_cancel);
                m_done = true;
            });
    }
    // The request the observer was handed last, once a new one came.
    std::shared_ptr<CLoginRequest> Asked()
    {
        const int before = m_prompts++;
        EXPECT_TRUE(WaitFor([&] { return m_observer.Count<CLoginPromptEvent>() > before; }));
        std::shared_ptr<CLoginRequest> request;
        for (const CEngineEvent& event : m_observer.Events())
            if (const auto* prompt = std::get_if<CLoginPromptEvent>(&event))
                request = prompt->request;
        return request;
    }
    ~LoginPrompt() override
    {
        if (m_asker.joinable())
            m_asker.join();
    }

    CEventPoster m_poster;
    CRecordingObserver m_observer;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_done{false};
    CLoginAnswer m_answer;
    std::thread m_asker;
    int m_prompts = 0;
};

TEST_F(LoginPrompt, EveryWayOfGivingUpEndsTheWaitAsCancel)
{
    enum class EEnd
    {
        CancelFlag,
        ObserverRemoved,
        NoObserver
    };
    for (const EEnd end : {EEnd::CancelFlag, EEnd::ObserverRemoved, EEnd::NoObserver})
    {
        SCOPED_TRACE(static_cast<int>(end));
        m_cancel = false;
        m_done = false;
        if (end != EEnd::NoObserver)
        {
            m_poster.Install(&m_observer);
            Ask();
            std::shared_ptr<CLoginRequest> request = Asked();
            ASSERT_NE(request, nullptr);
            // A spurious wake changes nothing while the flag is clear.
            m_poster.WakePrompts();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            EXPECT_FALSE(m_done.load());
            if (end == EEnd::CancelFlag)
            {
                m_cancel = true;
                m_poster.WakePrompts();
            }
            else
                m_poster.Install(nullptr);
            m_asker.join();
            // A late answer is ignored.
            request->Answer(true, "late", "late");
        }
        else
        {
            m_poster.Install(nullptr);
            Ask();
            m_asker.join();
            EXPECT_EQ(m_observer.Count<CLoginPromptEvent>(), m_prompts);
        }
        EXPECT_FALSE(m_answer.ok);
        EXPECT_TRUE(m_answer.userName.empty());
        m_poster.Install(nullptr);
    }
}
