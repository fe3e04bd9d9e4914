#pragma once

#include "platform/EngineEvents.h"
#include "platform/LoginRequest.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <utility>
#include <vector>

// The one way for any engine thread to tell the front-end something. Until a front-end installs
// its observer, events are dropped and login prompts are answered Cancel.
class CEventPoster
{
public:
    // Installs (or, with nullptr, removes) the observer. Once it returns, no event reaches the
    // old observer any more, so the front-end may destroy it; the prompts that it was asked and
    // has not answered end as Cancel.
    void Install(CEngineObserver* observer)
    {
        {
            std::unique_lock lock(m_mutex);
            m_observer = observer;
        }
        for (const std::shared_ptr<CLoginRequest>& request : PendingRequests())
            request->Answer(false);
    }

    // Any thread; the observer only queues the event. False when no observer heard it.
    bool Post(CEngineEvent event)
    {
        std::shared_lock lock(m_mutex);
        if (m_observer == nullptr)
            return false;
        m_observer->OnEvent(std::move(event));
        return true;
    }

    // Puts the login question to the front-end and waits for its answer (an engine thread).
    // A set cancel flag (see WakePrompts) ends the wait as Cancel.
    CLoginAnswer AskLogin(const std::shared_ptr<CLoginRequest>& request,
                          const std::atomic<bool>* cancel)
    {
        {
            std::lock_guard lock(m_requestsMutex);
            m_requests.push_back(request);
        }
        if (!Post(CLoginPromptEvent{request}))
            request->Answer(false);
        CLoginAnswer answer = request->Wait(cancel);
        std::lock_guard lock(m_requestsMutex);
        m_requests.erase(std::remove(m_requests.begin(), m_requests.end(), request),
                         m_requests.end());
        return answer;
    }

    // A cancel flag was set: every waiting prompt and pause looks at its own flag again.
    void WakePrompts()
    {
        for (const std::shared_ptr<CLoginRequest>& request : PendingRequests())
            request->Wake();
        {
            std::lock_guard lock(m_pauseMutex);
        }
        m_pauseEnded.notify_all();
    }

    // An engine thread waits until the time comes or cancel (may be null) is set (see
    // WakePrompts); false when the cancel ended the wait.
    bool Pause(std::chrono::steady_clock::time_point until, const std::atomic<bool>* cancel)
    {
        std::unique_lock lock(m_pauseMutex);
        return !m_pauseEnded.wait_until(lock, until,
                                        [cancel] { return cancel != nullptr && cancel->load(); });
    }

private:
    std::vector<std::shared_ptr<CLoginRequest>> PendingRequests()
    {
        std::lock_guard lock(m_requestsMutex);
        return m_requests;
    }

    // Shared by posters; held exclusively only while the observer changes.
    std::shared_mutex m_mutex;
    CEngineObserver* m_observer = nullptr;
    std::mutex m_requestsMutex;
    std::vector<std::shared_ptr<CLoginRequest>> m_requests;
    std::mutex m_pauseMutex;
    std::condition_variable m_pauseEnded;
};
