#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>

// The speed of one transfer from its own bytes over the last seconds, and the time it still
// needs. The first report of a transfer only sets where it starts: the bytes a resumed file had
// on disk arrive in that report and were never transferred now.
class CTransferSpeed
{
public:
    using Clock = std::chrono::steady_clock;

    // The transfer (re)starts: what was counted before no longer says anything.
    void Restart() { m_samples.clear(); }
    // A report of the bytes on disk so far.
    void Add(Clock::time_point time, std::uint64_t received);
    // Bytes a second over the window; empty until the samples span kMinimumSpan.
    std::optional<double> BytesPerSecond() const;
    // Seconds until total at the current speed; empty when either is not known.
    std::optional<double> SecondsLeft(std::int64_t total) const;

    // Older samples drop out, so a stall or a burst shows within seconds.
    static constexpr std::chrono::seconds kWindow{8};
    // Less than this says more about timing than about the line.
    static constexpr std::chrono::milliseconds kMinimumSpan{900};

private:
    struct CSample
    {
        Clock::time_point time;
        std::uint64_t received;
    };
    std::deque<CSample> m_samples;
};
