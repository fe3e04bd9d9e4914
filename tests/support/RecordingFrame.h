#pragma once

#include "platform/FrameMessages.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// Keeps every message posted to the main frame instead of acting on it. Any thread.
class CRecordingFrame : public CFrameMessageSink
{
public:
    void Deliver(CFrameMessage message) override
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(std::move(message));
    }
    std::vector<CFrameMessage> Messages() const
    {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }
    // How many (message, wParam) arrived; with text, only those carrying it.
    int Count(std::uint32_t message, std::int64_t wParam, const std::string* text = nullptr) const
    {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(
            std::count_if(m_messages.begin(), m_messages.end(),
                          [&](const CFrameMessage& m)
                          {
                              return m.message == message && m.wParam == wParam &&
                                     (text == nullptr || m.payload.text == *text);
                          }));
    }
    // The last state that WM_DOWNLOAD_STATE reported for url, with its reason; -1 without one.
    std::pair<std::int64_t, std::string> LastState(const std::string& url) const
    {
        std::lock_guard lock(m_mutex);
        for (auto m = m_messages.rbegin(); m != m_messages.rend(); ++m)
            if (m->message == WM_DOWNLOAD_STATE && m->payload.download->url == url)
                return {m->wParam, m->payload.download->reason};
        return {-1, {}};
    }
    // The most bytes that a report on url has given.
    std::uint64_t MostReceived(const std::string& url) const
    {
        std::lock_guard lock(m_mutex);
        std::uint64_t most = 0;
        for (const CFrameMessage& m : m_messages)
            if (m.message == WM_DOWNLOAD_STATE && m.payload.download->url == url)
                most = std::max(most, m.payload.download->received);
        return most;
    }
    // The forward progress steps: how many messages carried them, and their sum.
    int ProgressPosts() const { return ProgressSum(false); }
    int ProgressTicks() const { return ProgressSum(true); }

private:
    int ProgressSum(bool bySize) const
    {
        std::lock_guard lock(m_mutex);
        int sum = 0;
        for (const CFrameMessage& m : m_messages)
            if (m.message == WM_PROGRESS_STEP && m.wParam > 0)
                sum += bySize ? static_cast<int>(m.wParam) : 1;
        return sum;
    }

    mutable std::mutex m_mutex;
    std::vector<CFrameMessage> m_messages;
};
