#include "net/BandwidthBucket.h"

#include <algorithm>

namespace
{

// How much an idle bucket saves up, as time at its rate: enough to smooth the steps of the
// transfers, little enough that a short download is held to the rate too.
constexpr double kBurstSeconds = 0.05;
constexpr double kMinBurstBytes = 4096;

} // namespace

bool CBandwidthBucket::Take(std::uint64_t count, std::uint64_t bytesPerSecond,
                            const std::atomic<bool>& cancel)
{
    if (bytesPerSecond == 0)
        return true;
    std::unique_lock lock(m_mutex);
    const Clock::time_point now = Clock::now();
    const double rate = static_cast<double>(bytesPerSecond);
    const double burst = std::max(rate * kBurstSeconds, kMinBurstBytes);
    if (m_rate != bytesPerSecond)
    {
        // A new limit starts from a full bucket; a debt run up at the old rate is kept.
        m_rate = bytesPerSecond;
        m_balance = std::min(m_balance, 0.0) + (m_filled == Clock::time_point{} ? burst : 0.0);
        m_filled = now;
    }
    const std::chrono::duration<double> elapsed = now - m_filled;
    m_balance = std::min(m_balance + elapsed.count() * rate, burst);
    m_filled = now;
    m_balance -= static_cast<double>(count);
    if (m_balance >= 0)
        return true;
    // This taker's debt is paid when the bucket has refilled up to its place in the queue.
    const Clock::time_point paid = now + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double>(-m_balance / rate));
    m_woken.wait_until(lock, paid, [&] { return cancel.load(std::memory_order_relaxed); });
    return !cancel.load(std::memory_order_relaxed);
}

void CBandwidthBucket::Wake()
{
    // Under the lock: a taker between its look at the flag and its wait would miss the call.
    {
        std::lock_guard lock(m_mutex);
    }
    m_woken.notify_all();
}
