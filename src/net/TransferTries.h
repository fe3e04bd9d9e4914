#pragma once

#include "net/TransferContext.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>

class CUrl;

// The tries of one page read or download. Before each try it waits while the site holds every
// request off; after a try that failed for a reason that may pass (no connection, a cut or
// stalled body, 408, 429, 5xx but 501 and 505) it waits for Retry-After or the back-off and says
// so in one log line, up to "Connection Retries" times. A 429 or 503 holds off the whole site.
// Waits end at once when the cancel flag is set (the poster's WakePrompts wakes them).
class CTransferTries
{
public:
    // Told of each wait before it begins: how long in whole seconds and why.
    using CWaitHook = std::function<void(std::int64_t seconds, const std::string& reason)>;

    CTransferTries(const CTransferContext& context, const CUrl& record,
                   const std::atomic<bool>& cancel, CWaitHook onWait = {});

    // Before each try. False when the try must not be made: the cancel ended the wait, or the
    // site is given up (Problem() then says so).
    bool BeforeTry();
    // After a try that failed for reason; status: the HTTP status that refused it (0 for no
    // answer, a cut body, a stall), retryAfter that answer's Retry-After. True when it is to be
    // tried again, the wait being over. False when the failure stands or the cancel ended the
    // wait (Cancelled()).
    bool Retry(int status, const std::string& retryAfter, const std::string& reason);
    // Once the failure that stands is logged: counts it against the site when it was of a kind
    // that may pass (and gives the site up at the tenth in a row, with one log line).
    void Settle();
    // The site answered (any answer not retried): its failures in a row start again.
    void Answered();

    bool Cancelled() const { return m_cancelled; }
    const std::string& Problem() const { return m_problem; }

private:
    // Waits until then, unless the cancel ends it first; false then.
    bool WaitUntil(std::chrono::steady_clock::time_point until, const std::string& reason);

    const CTransferContext& m_context;
    const CUrl& m_record;
    const std::atomic<bool>& m_cancel;
    CWaitHook m_onWait;
    std::string m_site;
    int m_retriesLeft = 0;
    int m_retriesMade = 0;
    bool m_cancelled = false;
    // The last failure may have passed but no retry is left for it.
    bool m_failedForGood = false;
    std::string m_problem;
};
