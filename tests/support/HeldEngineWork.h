#pragma once

#include "session/Engine.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <stop_token>

// Work that the engine counts and joins as a browse or a download worker, held until Release or
// until the engine closes: a front-end test's stand-in for a browse or a worker that runs, seen
// only through the engine's interface.
class CHeldEngineWork
{
public:
    CHeldEngineWork(CEngine& engine, EEngineWork kind) : m_state(std::make_shared<CState>())
    {
        m_started = engine.StartCountedWork(kind,
                                            [state = m_state](std::stop_token stop)
                                            {
                                                std::unique_lock lock(state->mutex);
                                                state->released.wait(
                                                    lock, stop, [&] { return state->release; });
                                            });
    }
    ~CHeldEngineWork() { Release(); }

    CHeldEngineWork(const CHeldEngineWork&) = delete;
    CHeldEngineWork& operator=(const CHeldEngineWork&) = delete;

    bool Started() const { return m_started; }
    // The work ends; its thread ends soon after.
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
