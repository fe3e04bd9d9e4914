#include "net/Transfer.h"

#include "net/ConnectionCache.h"
#include "net/ConnectionSockets.h"
#include "net/ContentDisposition.h"
#include "net/HttpHeaders.h"
#include "net/InternetSession.h"
#include "net/RetryPolicy.h"
#include "net/SiteBackoff.h"
#include "net/SiteFailures.h"
#include "net/SiteLedger.h"
#include "platform/EventPoster.h"
#include "platform/Statistics.h"
#include "settings/LogFile.h"
#include "settings/Options.h"
#include "url/Url.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

// Used when the options hold no usable time-out.
constexpr int kDefaultTimeoutSeconds = 30;
constexpr int kMaxRetries = 10;
// How long one wait for the sockets lasts before the cancel flag and the time-out are checked.
constexpr int kPollMilliseconds = 50;
// The longest wait for a site's limits between two looks at the ledger. Releases and cancels
// wake the wait (libcurl keeps a wake for the next poll); the bound is a safety net only.
constexpr int kMaxSiteWaitMilliseconds = 1000;
// Bytes received but not yet read beyond which the transfer pauses, so a slow reader never
// makes the body pile up in memory.
constexpr std::size_t kPauseAbove = 256 * 1024;
// The size of one receive from the socket for a file's body. A page read keeps libcurl's own
// 16 KB: its buffer lives only as long as the request, and several 128 KB buffers a page, freed
// again, made the heap give memory back and fault it in again on every few pages.
constexpr long kLargeReceiveSize = 128 * 1024;
// How many header lines a response usually has.
constexpr std::size_t kUsualHeaderLines = 12;
// The longest error text that goes into a log line.
constexpr std::size_t kMaxErrorText = 1023;
// A transfer that receives fewer bytes than this in a whole time-out is stalled: a server that
// drips a byte now and then would otherwise hold the transfer for ever.
constexpr std::size_t kMinBytesPerTimeout = 1024;

// What the thread's transfers call when another request of the thread has ended while they
// wait (see SetThreadEndedHook).
thread_local const std::function<void()>* t_endedHook = nullptr;
thread_local bool t_inEndedHook = false;
// Set when a request of the thread was seen to end where the hook could not be called; the
// next wait calls it.
thread_local bool t_endedUnseen = false;
// While the thread waits for a site's limits its transfers never pause for their reader: a
// paused one keeps its pass, and the pass may be the one the wait is for.
thread_local bool t_siteWait = false;
// The thread's transfers that paused because their reader is behind.
thread_local std::vector<CTransfer::CRequest*> t_paused;

struct CThreadFlagReset
{
    bool& flag;
    ~CThreadFlagReset() { flag = false; }
};

bool IsHttpService(std::uint32_t service)
{
    return service == kServiceHttp || service == kServiceHttps;
}

std::string BuildHttpUrl(const CUrl& record, const CConnection& connection)
{
    std::string url;
    url.reserve(record.SchemePrefix().size() + connection.host.size() + 7 +
                std::max<std::size_t>(record.Object().size(), 1));
    url += record.SchemePrefix();
    url += connection.host;
    url += ':';
    url += std::to_string(connection.port);
    url += record.Object().empty() ? std::string_view("/") : record.Object();
    return url;
}

} // namespace

struct CTransfer::CRequest
{
    CCurlHandleLease handles;
    const std::atomic<bool>* cancel = nullptr;
    bool http = false;
    bool added = false;
    bool paused = false;
    bool done = false;
    CURLcode result = CURLE_OK;
    bool cancelled = false;
    bool timedOut = false;
    // Set once a connection stands; from then on the wait for each byte is timed here (libcurl
    // times the connect itself).
    bool connected = false;
    Clock::duration idleLimit{};
    Clock::time_point lastActivity;
    // Set by the callbacks when bytes came; the next check of the time-outs makes it the last
    // activity. The callbacks run many times a page and do not read the clock themselves.
    bool bytesCame = false;
    // Each request's response headers are due within the time-out of sending it; 1xx answers
    // do not count.
    Clock::time_point headersDue;
    bool responseHeadersIn = false;
    // Time spent waiting for the server (not for the reader) and the bytes received in it.
    Clock::duration spanWaited{};
    std::size_t spanBytes = 0;
    Clock::time_point lastTick;
    Clock::time_point deadline = Clock::time_point::max();
    // The latest response's status and headers: redirects and authentication rounds replace
    // them.
    long status = 0;
    bool headerBlockEnded = false;
    bool headersFinal = false;
    CHttpHeaders headers;
    // The socket of the connection the request was given, and the body bytes of its latest
    // response so far.
    curl_socket_t socket = CURL_SOCKET_BAD;
    curl_off_t bodyBytes = 0;
    // Body bytes received and not yet read.
    std::vector<char> pending;
    std::size_t pendingPos = 0;
    char errorText[CURL_ERROR_SIZE] = {};
    // The request's own header lines (If-Range, Referer); freed after the handle forgets them.
    curl_slist* extraHeaders = nullptr;
    // Its admission to the site while per-site limits are set; released once its answer is in.
    CSitePass pass;

    ~CRequest()
    {
        if (paused)
            std::erase(t_paused, this);
        if (added)
            curl_multi_remove_handle(handles.Multi(), handles.Easy());
        // The handle forgets this request's buffers and callbacks when it goes back to the
        // thread, before anything else can use it.
        handles.Release();
        curl_slist_free_all(extraHeaders);
    }

    std::size_t Available() const { return pending.size() - pendingPos; }

    // Why the transfer has waited too long by now, as the text after "Timeout was reached: ";
    // empty while it has not. Counts the time since the last call as time spent waiting for the
    // server.
    std::string TimeOutReason()
    {
        const Clock::time_point now = Clock::now();
        if (now >= deadline)
            return "the transfer took longer than it may";
        if (bytesCame)
        {
            lastActivity = now;
            bytesCame = false;
        }
        const Clock::duration waited = now - lastTick;
        lastTick = now;
        if (!connected)
            return {};
        spanWaited += waited;
        const auto seconds = [this]
        {
            return std::to_string(
                       std::chrono::duration_cast<std::chrono::seconds>(idleLimit).count()) +
                   " seconds";
        };
        if (now - lastActivity > idleLimit)
            return "no data for " + seconds();
        if (http && !responseHeadersIn && now > headersDue)
            return "no complete response headers within " + seconds();
        if (spanWaited > idleLimit)
        {
            if (spanBytes < kMinBytesPerTimeout)
                return "less than 1 KB received in " + seconds();
            spanWaited = {};
            spanBytes = 0;
        }
        return {};
    }

    static std::size_t OnWrite(char* data, std::size_t size, std::size_t count, void* user)
    {
        auto& request = *static_cast<CRequest*>(user);
        const std::size_t length = size * count;
        request.bytesCame = true;
        if (request.Available() > 0 && request.Available() + length > kPauseAbove && !t_siteWait)
        {
            request.paused = true;
            t_paused.push_back(&request);
            return CURL_WRITEFUNC_PAUSE;
        }
        request.spanBytes += length;
        if (request.pendingPos == request.pending.size())
        {
            request.pending.clear();
            request.pendingPos = 0;
        }
        else if (request.pendingPos > request.pending.size() / 2)
        {
            request.pending.erase(request.pending.begin(),
                                  request.pending.begin() +
                                      static_cast<std::ptrdiff_t>(request.pendingPos));
            request.pendingPos = 0;
        }
        request.pending.insert(request.pending.end(), data, data + length);
        // More of the answer is due: the server may be holding it back until what came is
        // acknowledged.
        request.bodyBytes += static_cast<curl_off_t>(length);
        curl_off_t expected = -1;
        curl_easy_getinfo(request.handles.Easy(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &expected);
        if (expected < 0 || request.bodyBytes < expected)
            AcknowledgeNow(request.socket);
        return length;
    }

    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user)
    {
        auto& request = *static_cast<CRequest*>(user);
        const std::size_t length = size * count;
        request.bytesCame = true;
        request.spanBytes += length;
        if (!request.http)
            return length;
        const std::string_view line(data, length);
        if (const long status = ParseStatusLine(line); status != 0)
        {
            request.status = status;
            request.headers.clear();
            request.headerBlockEnded = false;
            request.headersFinal = false;
        }
        else if (line == "\r\n" || line == "\n")
        {
            request.headerBlockEnded = true;
            request.responseHeadersIn = request.status >= 200;
            // A redirect or an authentication round goes on to another response; a 2xx is
            // the answer, so Open may stop before its body.
            request.headersFinal = request.status >= 200 && request.status < 300;
        }
        else if (!request.headerBlockEnded)
        {
            AddHeaderLine(request.headers, line);
        }
        return length;
    }

    static int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
    {
        auto& request = *static_cast<CRequest*>(user);
        if (request.cancel != nullptr && request.cancel->load(std::memory_order_relaxed))
        {
            request.cancelled = true;
            return 1;
        }
        return 0;
    }

    static int OnConnected(void* user, char*, char*, int, int localPort)
    {
        auto& request = *static_cast<CRequest*>(user);
        request.connected = true;
        request.socket = request.handles.Sockets().SocketOfLocalPort(localPort);
        request.pass.UseSocket(request.socket);
        request.bodyBytes = 0;
        request.lastActivity = Clock::now();
        // Called again for each redirect and authentication round: a new request.
        request.headersDue = request.lastActivity + request.idleLimit;
        request.responseHeadersIn = false;
        return CURL_PREREQFUNC_OK;
    }
};

CTransfer::CTransfer(const CTransferContext& context, const std::atomic<bool>* cancel)
    : m_context(context), m_cancel(cancel)
{
}

CTransfer::~CTransfer()
{
    Close();
}

bool CTransfer::Start(const CUrl& record, bool head, bool mayWait)
{
    m_request = std::make_unique<CRequest>();
    CRequest& request = *m_request;
    request.cancel = m_cancel;
    request.http = IsHttpService(m_service);
    // Room for a usual response's header lines at once, rather than growing line by line.
    request.headers.reserve(kUsualHeaderLines);
    const std::shared_ptr<const COptions> options = m_context.CurrentOptions();
    const int timeout =
        options->m_connectTimeout > 0 ? options->m_connectTimeout : kDefaultTimeoutSeconds;
    const CSiteLimits limits{options->m_siteRequestRate, options->m_siteConnections};
    request.idleLimit = std::chrono::seconds(timeout);
    request.lastActivity = Clock::now();
    request.deadline = m_deadline;

    request.handles = m_context.session.AcquireHandles();
    if (!request.handles)
    {
        request.done = true;
        request.result = CURLE_FAILED_INIT;
        return false;
    }
    // Without limits no request touches the ledger.
    if (request.http && limits.Any() && !Admit(limits, mayWait))
    {
        request.done = true;
        request.result = CURLE_FAILED_INIT;
        return false;
    }
    CURL* easy = request.handles.Easy();
    const std::string url = request.http ? BuildHttpUrl(record, *m_connection) : record.m_url;
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, request.errorText);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, static_cast<long>(timeout));
    if (m_largeReceives)
        curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kLargeReceiveSize);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CRequest::OnWrite);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &request);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &CRequest::OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &request);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &CRequest::OnProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &request);
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &CRequest::OnConnected);
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, &request);
    // Other transfers of the thread run on the same multi handle: its messages find their
    // request through this.
    curl_easy_setopt(easy, CURLOPT_PRIVATE, &request);
    if (request.pass)
    {
        curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &CSiteLedger::OpenSocket);
        curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, &request.pass);
    }
    if (request.http)
    {
        if (head)
            curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
        else if (m_rangeFrom > 0)
        {
            const std::string range = std::to_string(m_rangeFrom) + "-";
            curl_easy_setopt(easy, CURLOPT_RANGE, range.c_str());
            if (!m_rangeValidator.empty())
            {
                const std::string ifRange = "If-Range: " + m_rangeValidator;
                request.extraHeaders = curl_slist_append(nullptr, ifRange.c_str());
            }
        }
        // The referring page goes with the request's own header lines: libcurl copies those into
        // the request once, where its referer option would be formatted twice, character by
        // character. A line break in it would end the header: such a referer is not sent.
        const std::string_view referer = record.Referer();
        if (!referer.empty() && referer.find_first_of("\r\n") == std::string_view::npos)
        {
            const std::string line = "Referer: " + std::string(referer);
            if (curl_slist* lines = curl_slist_append(request.extraHeaders, line.c_str()))
                request.extraHeaders = lines;
        }
        if (request.extraHeaders != nullptr)
            curl_easy_setopt(easy, CURLOPT_HTTPHEADER, request.extraHeaders);
        if (!m_connection->userName.empty() || !m_connection->password.empty())
        {
            curl_easy_setopt(easy, CURLOPT_USERNAME, m_connection->userName.c_str());
            curl_easy_setopt(easy, CURLOPT_PASSWORD, m_connection->password.c_str());
            // Sent only when the server asks, in the form it asks for.
            curl_easy_setopt(easy, CURLOPT_HTTPAUTH,
                             static_cast<long>(CURLAUTH_BASIC | CURLAUTH_DIGEST));
        }
    }
    if (curl_multi_add_handle(request.handles.Multi(), easy) != CURLM_OK)
    {
        request.done = true;
        request.result = CURLE_FAILED_INIT;
        return false;
    }
    request.added = true;
    return true;
}

bool CTransfer::ReadMessages()
{
    bool otherEnded = false;
    CRequest& request = *m_request;
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(request.handles.Multi(), &left))
    {
        if (message->msg != CURLMSG_DONE)
            continue;
        // The message may belong to another open transfer of this thread.
        void* owner = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &owner);
        if (owner == nullptr)
            continue;
        auto& done = *static_cast<CRequest*>(owner);
        done.done = true;
        done.result = message->data.result;
        // Its connection is free again, or gone.
        done.pass.Release();
        otherEnded = otherEnded || &done != m_request.get();
    }
    return otherEnded;
}

bool CTransfer::Admit(const CSiteLimits& limits, bool mayWait)
{
    CRequest& request = *m_request;
    const std::string site = m_connection->host + ':' + std::to_string(m_connection->port);
    CSiteLedger& ledger = m_context.session.SiteLedger();
    std::optional<Clock::time_point> wakeAt;
    std::optional<CSitePass> pass = ledger.TryEnter(site, limits, &wakeAt);
    if (!pass && !mayWait)
        return false;
    if (!pass)
    {
        m_context.statistics.m_siteWaits.fetch_add(1, std::memory_order_relaxed);
        CURLM* multi = request.handles.Multi();
        ledger.AddWaiter(site, multi);
        struct CWaiter
        {
            CSiteLedger& ledger;
            const std::string& site;
            CURLM* multi;
            ~CWaiter() { ledger.RemoveWaiter(site, multi); }
        } waiter{ledger, site, multi};
        t_siteWait = true;
        const CThreadFlagReset waitEnds{t_siteWait};
        while (!pass)
        {
            for (CRequest* paused : t_paused)
            {
                paused->paused = false;
                curl_easy_pause(paused->handles.Easy(), CURLPAUSE_CONT);
            }
            t_paused.clear();
            if (m_cancel != nullptr && m_cancel->load(std::memory_order_relaxed))
            {
                request.cancelled = true;
                return false;
            }
            // The thread's other transfers run on meanwhile: the passes they hold end only as
            // they are driven, and this wait may be for one of them.
            int running = 0;
            curl_multi_perform(multi, &running);
            if (ReadMessages() && t_endedHook != nullptr)
                t_endedUnseen = true;
            pass = ledger.TryEnter(site, limits, &wakeAt);
            if (pass)
                break;
            // The ledger wakes the multi handle when a pass is released or a cancel is set.
            int waitMs = kMaxSiteWaitMilliseconds;
            if (wakeAt)
            {
                const auto until =
                    std::chrono::ceil<std::chrono::milliseconds>(*wakeAt - Clock::now());
                waitMs = static_cast<int>(std::clamp<std::int64_t>(until.count(), 0, waitMs));
            }
            m_context.log.WriteOutHeld();
            curl_multi_poll(multi, nullptr, 0, waitMs, nullptr);
        }
    }
    request.pass = std::move(*pass);
    return true;
}

void CTransfer::SetThreadEndedHook(const std::function<void()>* hook)
{
    t_endedHook = hook;
}

template <class Predicate> void CTransfer::Drive(Predicate satisfied)
{
    CRequest& request = *m_request;
    // The wait for the next byte starts now: time the reader spent between calls is not the
    // server's.
    request.lastActivity = Clock::now();
    request.lastTick = request.lastActivity;
    while (!satisfied() && !request.done)
    {
        if (m_cancel != nullptr && m_cancel->load(std::memory_order_relaxed))
        {
            request.cancelled = true;
            return;
        }
        if (const std::string reason = request.TimeOutReason(); !reason.empty())
        {
            request.timedOut = true;
            std::snprintf(request.errorText, sizeof request.errorText, "Timeout was reached: %s",
                          reason.c_str());
            return;
        }
        int running = 0;
        const CURLMcode code = curl_multi_perform(request.handles.Multi(), &running);
        if (code != CURLM_OK)
        {
            request.done = true;
            request.result = CURLE_FAILED_INIT;
            std::snprintf(request.errorText, sizeof request.errorText, "%s",
                          curl_multi_strerror(code));
            return;
        }
        const bool otherEnded = ReadMessages();
        const bool hookFree = t_endedHook != nullptr && !t_inEndedHook;
        if ((otherEnded || t_endedUnseen) && hookFree)
        {
            t_inEndedHook = true;
            t_endedUnseen = false;
            (*t_endedHook)();
            t_inEndedHook = false;
        }
        if (request.cancelled)
            return;
        // A request that ended while the hook ran is told at once, not after the next wait.
        if (!satisfied() && !request.done && !(t_endedUnseen && hookFree))
        {
            m_context.log.WriteOutHeld();
            curl_multi_poll(request.handles.Multi(), nullptr, 0, kPollMilliseconds, nullptr);
        }
    }
}

void CTransfer::LogConnectionProblem(const CUrl& record)
{
    const CRequest& request = *m_request;
    std::string text = request.errorText[0] != '\0'
                           ? std::string(request.errorText)
                           : std::string(curl_easy_strerror(request.result));
    if (text.size() > kMaxErrorText)
        text.resize(kMaxErrorText);
    m_problem = "connection problem: " + text;
    m_hostUnknown = request.result == CURLE_COULDNT_RESOLVE_HOST;
    WriteProblemLine("File " + record.m_url + " connection problem: " + text + "\n");
}

void CTransfer::WriteProblemLine(std::string line)
{
    if (m_callerRetries)
        m_heldLine = std::move(line);
    else
        m_context.log.Write("%s", line.c_str());
}

void CTransfer::WriteHeldLine()
{
    if (!m_heldLine.empty())
        m_context.log.Write("%s", m_heldLine.c_str());
    m_heldLine.clear();
}

bool CTransfer::StartAhead(const CUrl& record, bool head)
{
    Close();
    if (!IsHttpService(record.m_serviceType) || !record.m_usable)
        return false;
    // A site that asked every request to hold off is asked only once the time has come, and
    // one given up not at all.
    const std::string site = SiteOf(record);
    if (CSiteBackoff::Shared().BlockedUntil(site) ||
        (m_context.siteFailures != nullptr && m_context.siteFailures->GivenUp(site)))
        return false;
    m_service = record.m_serviceType;
    m_connection = m_context.connections.GetConnection(record);
    if (!m_connection || !Start(record, head, false))
    {
        Close();
        return false;
    }
    m_ahead = true;
    m_aheadHead = head;
    return true;
}

void CTransfer::SendAhead(bool several)
{
    if (!m_ahead || !m_request)
        return;
    // The requests leave now, not when the thread next waits for bytes: the page worked on
    // meanwhile would hold them back. Requests that ended in the same step are marked, so that
    // their pages can be worked on ahead of their turn; the next wait then calls the hook for
    // them (on a fast server this request itself may have ended already).
    int running = 0;
    CConnectionSockets& sockets = m_request->handles.Sockets();
    if (several)
        sockets.HoldSends(true);
    curl_multi_perform(m_request->handles.Multi(), &running);
    if (several)
        sockets.HoldSends(false);
    if ((ReadMessages() || m_request->done) && t_endedHook != nullptr)
        t_endedUnseen = true;
}

bool CTransfer::TakeAhead(const CUrl& record, bool head)
{
    if (!m_ahead || !m_request || !m_connection)
        return false;
    m_ahead = false;
    // A login answered since the start changed what the request must carry: it goes again.
    const bool same = m_aheadHead == head && record.m_serviceType == m_service &&
                      m_context.connections.GetConnection(record) == m_connection;
    if (!same)
    {
        Close();
        return false;
    }
    // Time the browse spent on earlier pages is not the server's.
    if (!m_request->responseHeadersIn)
        m_request->headersDue = Clock::now() + m_request->idleLimit;
    return true;
}

int CTransfer::Open(CUrl& record, bool head)
{
    const bool started = TakeAhead(record, head);
    if (!started)
        Close();
    m_cancelled = false;
    m_refusedStatus = 0;
    m_rangeRefused = false;
    m_problem.clear();
    m_heldLine.clear();
    m_retryAfter.clear();
    m_hostUnknown = false;
    m_service = record.m_serviceType;
    const bool http = IsHttpService(m_service);
    if (http)
    {
        if (!started)
            m_connection = m_hasLogin ? m_context.connections.GetConnection(record, m_loginUser,
                                                                            m_loginPassword)
                                      : m_context.connections.GetConnection(record);
        if (!m_connection)
            return kStatusConnectionProblem;
        m_context.events.Post(CProgressStepEvent{1});
    }

    const int retries =
        m_callerRetries ? 0
                        : std::clamp(m_context.CurrentOptions()->m_connectRetries, 0, kMaxRetries);
    for (int attempt = 0;; ++attempt)
    {
        if (attempt > 0 || !started)
            Start(record, head, true);
        CRequest& request = *m_request;
        Drive([&request]
              { return request.headersFinal || request.Available() > 0 || request.paused; });
        if (request.cancelled)
        {
            m_cancelled = true;
            Close();
            return kStatusConnectionProblem;
        }
        const bool answered = request.headersFinal || request.Available() > 0 || request.paused ||
                              (request.done && request.result == CURLE_OK);
        if (answered)
            break;
        // Only a connection that could not be made is tried again, never an answer.
        const bool connectFailed =
            !request.timedOut &&
            (request.result == CURLE_COULDNT_CONNECT ||
             (request.result == CURLE_OPERATION_TIMEDOUT && !request.connected));
        if (connectFailed && attempt < retries)
        {
            m_request.reset();
            continue;
        }
        LogConnectionProblem(record);
        Close();
        return kStatusConnectionProblem;
    }

    if (!http)
        return 0;
    const long status = m_request->status;
    if (status > 0 && status < 300)
        return 0;
    if (status <= 0)
    {
        LogConnectionProblem(record);
        Close();
        return kStatusConnectionProblem;
    }
    m_refusedStatus = static_cast<int>(status);
    if (!head && status == 416 && m_rangeFrom > 0)
    {
        m_rangeRefused = true;
        Close();
        return static_cast<int>(status);
    }
    m_problem = "HTTP error " + std::to_string(status) + "!";
    if (const std::string* retryAfter = FindHeader(m_request->headers, "Retry-After"))
        m_retryAfter = *retryAfter;
    if (!head)
    {
        // Only an answer that a retry may change waits for the caller's word.
        const std::string line = "Skipped " + record.m_url + ": " + m_problem + "\n";
        if (IsRetriedStatus(m_refusedStatus))
            WriteProblemLine(line);
        else
            m_context.log.Write("%s", line.c_str());
    }
    Close();
    return static_cast<int>(status);
}

bool CTransfer::OpenWithLogin(CUrl& record, bool head)
{
    int status = Open(record, head);
    if (status < 300)
        return true;
    if (status != 401 || !m_context.CurrentOptions()->m_passwordLogins)
        return false;
    // One prompt per open: it shows the last answer again after a refusal.
    std::string userName;
    std::string password;
    while (status == 401)
    {
        if (m_cancel != nullptr && m_cancel->load())
            return false;
        m_context.connections.DropConnection(record);
        m_context.log.WriteOutHeld();
        // The thread waits for the front-end's answer; a cancel ends the wait as Cancel.
        const CLoginAnswer answer = m_context.events.AskLogin(
            std::make_shared<CLoginRequest>(std::string(record.Host()), userName, password),
            m_cancel);
        if (!answer.ok)
            return false;
        userName = answer.userName;
        password = answer.password;
        m_hasLogin = true;
        m_loginUser = userName;
        m_loginPassword = password;
        status = Open(record, head);
    }
    return status < 300;
}

std::int64_t CTransfer::Read(void* buffer, std::size_t maximum)
{
    if (!m_request)
        return 0;
    CRequest& request = *m_request;
    auto* out = static_cast<char*>(buffer);
    std::size_t got = 0;
    while (got < maximum)
    {
        if (request.Available() > 0)
        {
            const std::size_t count = std::min(maximum - got, request.Available());
            std::memcpy(out + got, request.pending.data() + request.pendingPos, count);
            request.pendingPos += count;
            got += count;
            continue;
        }
        if (request.done || request.cancelled || request.timedOut || !request.added)
            break;
        if (request.paused)
        {
            request.paused = false;
            std::erase(t_paused, &request);
            const CURLcode code = curl_easy_pause(request.handles.Easy(), CURLPAUSE_CONT);
            if (code != CURLE_OK)
            {
                request.done = true;
                request.result = code;
            }
            continue;
        }
        Drive([&request] { return request.Available() > 0 || request.paused; });
    }
    if (request.cancelled)
        m_cancelled = true;
    if (got > 0)
        return static_cast<std::int64_t>(got);
    if (request.done && request.result == CURLE_OK)
        return 0;
    if (!request.cancelled)
        m_problem =
            std::string("connection problem: ") +
            (request.errorText[0] != '\0' ? request.errorText : curl_easy_strerror(request.result));
    return -1;
}

bool CTransfer::QueryHeaders(CResponseFacts& facts) const
{
    if (!m_request || !m_connection || !IsHttpService(m_service))
        return false;
    const CHttpHeaders& headers = m_request->headers;

    const std::string* value = FindHeader(headers, "Last-Modified");
    if (value == nullptr || !ParseHttpDate(*value, facts.lastModified))
        facts.lastModified = CCalendarTime{};

    facts.size = 0;
    if (value = FindHeader(headers, "Content-Length"); value != nullptr)
        facts.size = ParseContentLength(*value);

    value = FindHeader(headers, "Content-Type");
    facts.contentType = value != nullptr ? *value : std::string();
    value = FindHeader(headers, "Content-Disposition");
    facts.dispositionName = value != nullptr ? DispositionFileName(*value) : std::string();

    // A weak ETag may not go into If-Range.
    facts.validator.clear();
    if (value = FindHeader(headers, "ETag"); value != nullptr && value->rfind("W/", 0) != 0)
        facts.validator = *value;
    else if (value = FindHeader(headers, "Last-Modified"); value != nullptr)
        facts.validator = *value;

    facts.rangeStart = -1;
    if (m_request->status == 206)
    {
        const CContentRange range = ParseContentRange(FindHeader(headers, "Content-Range"));
        facts.rangeStart = range.start;
        facts.size = range.length;
    }
    return true;
}

bool CTransfer::HasEnded() const
{
    return m_request && m_request->done;
}

std::string_view CTransfer::EndedBody() const
{
    if (!m_request || !m_request->done || m_request->result != CURLE_OK ||
        !m_request->headersFinal || m_request->pendingPos != 0)
        return {};
    return std::string_view(m_request->pending.data(), m_request->pending.size());
}

int CTransfer::Status() const
{
    return m_request && m_request->http ? static_cast<int>(m_request->status) : 0;
}

void CTransfer::SetRange(std::uint64_t from, const std::string& validator)
{
    m_rangeFrom = from;
    m_rangeValidator = from > 0 ? validator : std::string();
}

void CTransfer::SetTimeLimit(std::chrono::seconds limit)
{
    m_deadline = Clock::now() + limit;
    if (m_request)
        m_request->deadline = m_deadline;
}

std::string CTransfer::AnsweredUrl() const
{
    if (!m_request || !m_request->handles)
        return {};
    CURL* easy = m_request->handles.Easy();
    long redirects = 0;
    const char* effective = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_REDIRECT_COUNT, &redirects) != CURLE_OK ||
        redirects == 0 || curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &effective) != CURLE_OK ||
        effective == nullptr)
        return {};
    return effective;
}

void CTransfer::Close()
{
    if (m_request)
    {
        CRequest& request = *m_request;
        if (request.added)
        {
            // A transfer whose last bytes are in finishes now, so its connection goes back to
            // the pool instead of being closed.
            if (!request.done && !request.paused && !request.cancelled && !request.timedOut)
            {
                int running = 0;
                curl_multi_perform(request.handles.Multi(), &running);
            }
        }
        m_request.reset();
    }
    m_connection.reset();
    m_ahead = false;
}
