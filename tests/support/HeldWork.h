#pragma once

#include "core/TrawlerCore.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <stop_token>

// Work that the engine counts and joins as a browse or a download worker would be, held until
// Release or until the engine closes: a test's stand-in for a browse or a worker that runs.
class CHeldWork
{
public:
    CHeldWork(CTrawlerCore& core, CWorkerThreads::EKind kind) : m_state(std::make_shared<CState>())
    {
        m_started = core.m_threads.Start(kind,
                                         [state = m_state](std::stop_token stop)
                                         {
                                             std::unique_lock lock(state->mutex);
                                             state->released.wait(lock, stop,
                                                                  [&] { return state->release; });
                                         });
    }
    ~CHeldWork() { Release(); }

    CHeldWork(const CHeldWork&) = delete;
    CHeldWork& operator=(const CHeldWork&) = delete;

    bool Started() const { return m_started; }
    // The work ends; its thread ends soon after (the engine's waits see when).
    void Release()
    {
        {
            std::lock_guard lock(m_state->mutex);
            m_state->release = true;
        }
        m_state->released.notify_all();
    }

private:
    struct CState
    {
        std::mutex mutex;
        std::condition_variable_any released;
        bool release = false;
    };
    std::shared_ptr<CState> m_state;
    bool m_started = false;
};
