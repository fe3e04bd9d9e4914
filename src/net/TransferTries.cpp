#include "net/TransferTries.h"

#include "net/RetryPolicy.h"
#include "net/SiteBackoff.h"
#include "net/SiteFailures.h"
#include "platform/EventPoster.h"
#include "platform/Statistics.h"
#include "settings/LogFile.h"
#include "settings/Options.h"
#include "url/Url.h"

#include <algorithm>

namespace
{

using Clock = std::chrono::steady_clock;

// As many as the option's range allows.
constexpr int kMaxRetries = 10;
constexpr const char* kHoldOffReason = "the site asked to hold off";

std::int64_t WholeSeconds(Clock::duration wait)
{
    return std::max<std::int64_t>(0, std::chrono::ceil<std::chrono::seconds>(wait).count());
}

} // namespace

CTransferTries::CTransferTries(const CTransferContext& context, const CUrl& record,
                               const std::atomic<bool>& cancel, CWaitHook onWait)
    : m_context(context), m_record(record), m_cancel(cancel), m_onWait(std::move(onWait)),
      m_site(SiteOf(record)),
      m_retriesLeft(std::clamp(context.CurrentOptions()->m_connectRetries, 0, kMaxRetries))
{
}

bool CTransferTries::BeforeTry()
{
    if (m_cancel.load())
    {
        m_cancelled = true;
        return false;
    }
    if (m_context.siteFailures != nullptr && m_context.siteFailures->GivenUp(m_site))
    {
        m_problem =
            "the site failed " + std::to_string(CSiteFailures::kGiveUpAfter) + " requests in a row";
        return false;
    }
    bool counted = false;
    // Another request may hold the site off again while this one waits.
    while (const auto until = CSiteBackoff::Shared().BlockedUntil(m_site))
    {
        if (!counted)
            m_context.statistics.m_siteWaits.fetch_add(1, std::memory_order_relaxed);
        counted = true;
        if (!WaitUntil(*until, kHoldOffReason))
            return false;
    }
    return true;
}

bool CTransferTries::Retry(int status, const std::string& retryAfter, const std::string& reason)
{
    if (m_cancel.load())
    {
        m_cancelled = true;
        return false;
    }
    if (status != 0 && !IsRetriedStatus(status))
    {
        Answered();
        return false;
    }
    const std::optional<std::chrono::seconds> asked =
        ParseRetryAfter(retryAfter, std::chrono::system_clock::now());
    // A server that wants a longer pause than that is as good as down for this run.
    if (asked && *asked > kMaxRetryAfter)
    {
        m_failedForGood = true;
        return false;
    }
    const Clock::time_point until =
        Clock::now() +
        (asked ? Clock::duration(*asked) : Clock::duration(BackoffDelay(m_retriesMade)));
    if (BlocksSite(status))
        CSiteBackoff::Shared().Block(m_site, until);
    if (m_retriesMade >= m_retriesLeft)
    {
        m_failedForGood = true;
        return false;
    }
    ++m_retriesMade;
    m_context.statistics.m_retries.fetch_add(1, std::memory_order_relaxed);
    // Another request may have held the site off for longer.
    const Clock::time_point end =
        std::max(until, CSiteBackoff::Shared().BlockedUntil(m_site).value_or(until));
    m_context.log.Write("Retrying %s in %lld s: %s\n", m_record.m_url.c_str(),
                        static_cast<long long>(WholeSeconds(end - Clock::now())), reason.c_str());
    return WaitUntil(end, reason);
}

void CTransferTries::Answered()
{
    if (m_context.siteFailures != nullptr)
        m_context.siteFailures->Answered(m_site);
}

bool CTransferTries::WaitUntil(Clock::time_point until, const std::string& reason)
{
    if (m_onWait)
        m_onWait(WholeSeconds(until - Clock::now()), reason);
    // What was logged so far is on disk while the thread waits.
    m_context.log.WriteOutHeld();
    if (m_context.events.Pause(until, &m_cancel))
        return true;
    m_cancelled = true;
    return false;
}

void CTransferTries::Settle()
{
    if (m_failedForGood && m_context.siteFailures != nullptr &&
        m_context.siteFailures->Failed(m_site))
        m_context.log.Write("Skipping the rest of %s: %u requests to it in a row failed\n",
                            m_site.c_str(), CSiteFailures::kGiveUpAfter);
}
