#pragma once

#include "platform/EngineEvents.h"
#include "platform/LoginRequest.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <utility>
#include <variant>

// The events that the engine posts to the front-end of a run without a window, in order, of
// the kinds it has a use for: found files, the page being read, failed downloads, messages, the
// end of the work. The rest (the site tree, status texts, progress steps, counts) is dropped
// where it is posted, so that a crawl's several events a page cost the front-end nothing.
// OnEvent: any thread, never blocks for long. Next: the front-end's thread. Page states and found
// files wait for the next wake-up (at most a tenth of a second, for the progress line) instead
// of waking the front-end; every other kept event wakes it at once. Nobody can answer a login
// prompt: it is cancelled at once.
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
        bool quiet = std::holds_alternative<CFileFoundEvent>(event);
        if (const auto* page = std::get_if<CPageStateEvent>(&event))
        {
            if (page->image != kPageImageReading)
                return;
            quiet = true;
        }
        else if (const auto* download = std::get_if<CDownloadStateEvent>(&event))
        {
            if (download->state != DOWNLOAD_FAILED)
                return;
        }
        else if (!quiet && !std::holds_alternative<CWorkDoneEvent>(event) &&
                 !std::holds_alternative<CCrawlStoppedEvent>(event) &&
                 !std::holds_alternative<CShowMessageEvent>(event))
            return;
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

    // Every event waiting, oldest first, without waiting for more.
    std::deque<CEngineEvent> TakeAll()
    {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_events, {});
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<CEngineEvent> m_events;
};
