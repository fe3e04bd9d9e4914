#pragma once

#include "platform/EngineEvents.h"
#include "platform/LoginRequest.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <variant>

// The events that the engine posts to the front-end of a run without a window, in order.
// OnEvent: any thread, never blocks for long. Next: the front-end's thread. Page states,
// progress steps and found files wait for the next wake-up (at most a tenth of a second, for
// the progress line) instead of waking the front-end, since a crawl posts several for every
// page; every other event wakes it at once. Nobody can answer a login prompt: it is cancelled at
// once.
class CEventQueue : public CEngineObserver
{
public:
    void OnEvent(CEngineEvent event) override
    {
        if (const auto* prompt = std::get_if<CLoginPromptEvent>(&event))
        {
            prompt->request->Answer(false);
            return;
        }
        // Nothing shows the site tree; the store's marks are all a run without a window needs.
        if (std::holds_alternative<CPageAddedEvent>(event))
            return;
        const bool quiet = std::holds_alternative<CPageStateEvent>(event) ||
                           std::holds_alternative<CProgressStepEvent>(event) ||
                           std::holds_alternative<CFileFoundEvent>(event);
        {
            std::lock_guard lock(m_mutex);
            m_events.push_back(std::move(event));
        }
        if (!quiet)
            m_arrived.notify_one();
    }

    // The oldest event, waiting at most timeout for one to arrive.
    std::optional<CEngineEvent> Next(std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(m_mutex);
        if (!m_arrived.wait_for(lock, timeout, [this] { return !m_events.empty(); }))
            return std::nullopt;
        CEngineEvent event = std::move(m_events.front());
        m_events.pop_front();
        return event;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<CEngineEvent> m_events;
};
