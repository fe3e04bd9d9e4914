#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

// One budget of received bytes a second that every download shares. A download takes the bytes
// it has received; when that puts the budget in debt it waits until the debt is paid, and does
// not drive its transfer meanwhile, so its connection stops reading and the server slows down.
// Any thread; a wait ends at once on Wake.
class CBandwidthBucket
{
public:
    using Clock = std::chrono::steady_clock;

    // Takes count bytes at bytesPerSecond (0: no limit, returns at once) and waits until the
    // bucket holds no debt. False when cancel was set before the wait ended.
    bool Take(std::uint64_t count, std::uint64_t bytesPerSecond, const std::atomic<bool>& cancel);
    // Call after setting a cancel flag: every waiting taker looks at its flag again.
    void Wake();

private:
    std::mutex m_mutex;
    std::condition_variable m_woken;
    std::uint64_t m_rate = 0;
    // Bytes that may still be received now; below 0 a debt.
    double m_balance = 0;
    Clock::time_point m_filled{};
};
