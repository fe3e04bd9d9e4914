#include "app/TransferSpeed.h"

void CTransferSpeed::Add(Clock::time_point time, std::uint64_t received)
{
    // The start report of a file says 0 before a resumed file's kept bytes are known; fewer
    // bytes than before means the transfer began again.
    if (!m_samples.empty() && received < m_samples.back().received)
        m_samples.clear();
    if (received == 0)
    {
        m_samples.clear();
        return;
    }
    m_samples.push_back({time, received});
    // Keep one sample at or before the window's start, so the span covers the whole window.
    while (m_samples.size() > 2 && time - m_samples[1].time >= kWindow)
        m_samples.pop_front();
}

std::optional<double> CTransferSpeed::BytesPerSecond() const
{
    if (m_samples.size() < 2)
        return std::nullopt;
    const CSample& first = m_samples.front();
    const CSample& last = m_samples.back();
    const auto span = last.time - first.time;
    if (span < kMinimumSpan)
        return std::nullopt;
    return static_cast<double>(last.received - first.received) /
           std::chrono::duration<double>(span).count();
}

std::optional<double> CTransferSpeed::SecondsLeft(std::int64_t total) const
{
    const std::optional<double> speed = BytesPerSecond();
    if (!speed || *speed <= 0 || total < 0 || m_samples.empty() ||
        static_cast<std::uint64_t>(total) < m_samples.back().received)
        return std::nullopt;
    return static_cast<double>(static_cast<std::uint64_t>(total) - m_samples.back().received) /
           *speed;
}
