#pragma once

#include <chrono>
#include <cstdint>

struct CTransferContext;

// Holds one download to its share of the options' bandwidth limit: the bytes it receives are
// taken from the session's bucket in steps, and a step that puts the bucket in debt waits. The
// limit is looked up again as the download runs, so a change applies to running downloads too.
// A stack object of the download's thread.
class CDownloadThrottle
{
public:
    explicit CDownloadThrottle(const CTransferContext& context);

    // Counts bytes received; false when the download's cancel flag ended a wait.
    bool Received(std::uint64_t count);
    // Takes what is counted and not yet taken; called when the body is complete.
    bool Flush();

private:
    using Clock = std::chrono::steady_clock;

    void LookUpLimit(Clock::time_point now);

    const CTransferContext& m_context;
    std::uint64_t m_bytesPerSecond = 0;
    std::uint64_t m_counted = 0;
    Clock::time_point m_lookedUp;
};
