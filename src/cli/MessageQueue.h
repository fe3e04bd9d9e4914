#pragma once

#include "platform/FrameMessages.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

// The messages that workers post to the front-end of a run without a window, in order.
// Deliver: any thread, never blocks for long. Next: the front-end's thread, which must not wait
// longer than kQuietWait at a time: page images and progress steps only feed the progress
// line, shown at most ten times a second, so they wait for the next wake-up instead of waking
// the front-end (a crawl posts several for every page).
class CMessageQueue : public CFrameMessageSink
{
public:
    static constexpr std::chrono::milliseconds kQuietWait{100};

    void Deliver(CFrameMessage message) override
    {
        const bool quiet = message.message == WM_SITE_IMAGE || message.message == WM_PROGRESS_STEP;
        {
            std::lock_guard lock(m_mutex);
            m_messages.push_back(std::move(message));
        }
        if (!quiet)
            m_arrived.notify_one();
    }

    // The oldest message, waiting at most timeout for one to arrive.
    std::optional<CFrameMessage> Next(std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(m_mutex);
        if (!m_arrived.wait_for(lock, timeout, [this] { return !m_messages.empty(); }))
            return std::nullopt;
        CFrameMessage message = std::move(m_messages.front());
        m_messages.pop_front();
        return message;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<CFrameMessage> m_messages;
};
