#include "net/DownloadThrottle.h"

#include "net/InternetSession.h"
#include "net/TransferContext.h"
#include "settings/Options.h"

namespace
{

// Bytes taken from the bucket at once: a download reads in 1 KB blocks, and one lock per block
// would cost more than the limit needs.
constexpr std::uint64_t kStepBytes = 16 * 1024;
// How often a download without a limit looks whether one was set.
constexpr std::chrono::seconds kLookUpEvery{1};

} // namespace

CDownloadThrottle::CDownloadThrottle(const CTransferContext& context) : m_context(context)
{
    LookUpLimit(Clock::now());
}

void CDownloadThrottle::LookUpLimit(Clock::time_point now)
{
    const std::int32_t limitK = m_context.CurrentOptions()->m_bandwidthLimitK;
    m_bytesPerSecond = limitK > 0 ? static_cast<std::uint64_t>(limitK) * 1024 : 0;
    m_lookedUp = now;
}

bool CDownloadThrottle::Received(std::uint64_t count)
{
    m_counted += count;
    if (m_counted < kStepBytes)
        return true;
    if (m_bytesPerSecond == 0)
    {
        m_counted = 0;
        const Clock::time_point now = Clock::now();
        if (now - m_lookedUp < kLookUpEvery)
            return true;
        LookUpLimit(now);
        return true;
    }
    LookUpLimit(Clock::now());
    return Flush();
}

bool CDownloadThrottle::Flush()
{
    const std::uint64_t count = m_counted;
    m_counted = 0;
    if (m_bytesPerSecond == 0 || count == 0)
        return true;
    return m_context.session.Bandwidth().Take(count, m_bytesPerSecond, m_context.cancelDownload);
}
