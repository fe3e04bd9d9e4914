#include "net/RetryPolicy.h"

#include "net/HttpHeaders.h"
#include "platform/AsciiText.h"
#include "platform/FileTime.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <random>
#include <string>

namespace
{

// Ticks of 100 ns from 1601-01-01 to 1970-01-01.
constexpr std::uint64_t kUnixEpochFileTime = 116444736000000000ULL;
constexpr std::uint64_t kTicksPerSecond = 10000000ULL;
// The random part of a back-off is below this.
constexpr std::chrono::milliseconds kJitter{500};

std::atomic<double> g_backoffScale{1.0};

} // namespace

bool IsRetriedStatus(int status)
{
    switch (status)
    {
    case 408:
    case 429:
    case 500:
    case 502:
    case 503:
    case 504:
        return true;
    default:
        return false;
    }
}

bool BlocksSite(int status)
{
    return status == 429 || status == 503;
}

std::optional<std::chrono::seconds> ParseRetryAfter(std::string_view value,
                                                    std::chrono::system_clock::time_point now)
{
    value = AsciiTrim(value);
    if (value.empty())
        return std::nullopt;
    if (std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
    {
        std::uint64_t seconds = 0;
        const auto [end, error] =
            std::from_chars(value.data(), value.data() + value.size(), seconds);
        // A number too large to hold is longer than any wait that is accepted.
        if (error == std::errc::result_out_of_range)
            return std::chrono::seconds::max();
        if (error != std::errc() || end != value.data() + value.size())
            return std::nullopt;
        return std::chrono::seconds(static_cast<std::int64_t>(
            std::min<std::uint64_t>(seconds, static_cast<std::uint64_t>(INT64_MAX))));
    }
    CCalendarTime date;
    std::uint64_t fileTime = 0;
    if (!ParseHttpDate(std::string(value), date) || !CalendarTimeToFileTime(date, fileTime) ||
        fileTime < kUnixEpochFileTime)
        return std::nullopt;
    const auto at = std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::seconds((fileTime - kUnixEpochFileTime) / kTicksPerSecond)));
    if (at <= now)
        return std::chrono::seconds(0);
    // Rounded up: a date is never reached early.
    return std::chrono::ceil<std::chrono::seconds>(at - now);
}

std::chrono::milliseconds BackoffDelay(int retry)
{
    const int shift = std::clamp(retry, 0, 6);
    const std::chrono::milliseconds base =
        std::min<std::chrono::milliseconds>(std::chrono::seconds(1LL << shift), kMaxBackoff);
    thread_local std::minstd_rand random(std::random_device{}());
    std::uniform_int_distribution<std::int64_t> jitter(0, kJitter.count() - 1);
    const double scale = g_backoffScale.load(std::memory_order_relaxed);
    return std::chrono::milliseconds(
        static_cast<std::int64_t>(static_cast<double>(base.count() + jitter(random)) * scale));
}

void SetBackoffScaleForTests(double scale)
{
    g_backoffScale.store(scale, std::memory_order_relaxed);
}
