#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>

// Work that an engine counts and joins as a browse or a download worker, held until Release or
// until the engine closes: a test's stand-in for a browse or a worker that runs. start hands the
// work to the engine's threads and says whether it started.
class CHeldWorkBody
{
public:
    using CWork = std::function<void(std::stop_token)>;

    explicit CHeldWorkBody(const std::function<bool(CWork)>& start)
        : m_state(std::make_shared<CState>())
    {
        m_started = start(
            [state = m_state](std::stop_token stop)
            {
                std::unique_lock lock(state->mutex);
                state->released.wait(lock, stop, [&] { return state->release; });
            });
    }
    ~CHeldWorkBody() { Release(); }

    CHeldWorkBody(const CHeldWorkBody&) = delete;
    CHeldWorkBody& operator=(const CHeldWorkBody&) = delete;

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
