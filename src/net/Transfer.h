#pragma once

#include "net/TransferContext.h"
#include "platform/CalendarTime.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class CUrl;
struct CConnection;
struct CSiteLimits;

// What a response's headers say about the resource. It belongs to the transfer that read it,
// never to the shared record: two threads may transfer one URL at once.
struct CResponseFacts
{
    std::uint64_t size = 0;     // 0 when not given
    CCalendarTime lastModified; // unset when not given
    std::string contentType;
    // The file name that Content-Disposition gives (UTF-8, the server's text); empty without one.
    std::string dispositionName;
    // What identifies this version of the resource for a later Range request: a strong ETag,
    // else the Last-Modified text; empty when neither is given.
    std::string validator;
    // A 206 answer: the first byte of the range it sends (size is then the whole resource's
    // length); -1 for any other answer or a Content-Range that cannot be read.
    std::int64_t rangeStart = -1;
};

// Status that Open returns for a failure below HTTP: no connection, a network error, a cancel.
inline constexpr int kStatusConnectionProblem = 300;

// One open URL, pulled block by block: Open runs the request until the status and headers are
// in, Read runs it on until the next bytes are there. HTTP and HTTPS go through the server's
// entry in the connection cache (status handling, headers, the login prompt); other schemes are
// opened as a whole URL. A stack object of one thread; it closes its request on every path.
class CTransfer
{
public:
    // cancel: the flag that aborts the transfer, also while it waits for the server; null for
    // none.
    explicit CTransfer(const CTransferContext& context, const std::atomic<bool>* cancel = nullptr);
    ~CTransfer();
    CTransfer(const CTransfer&) = delete;
    CTransfer& operator=(const CTransfer&) = delete;

    // 0 when the URL is open; kStatusConnectionProblem when it could not be reached (logged
    // unless cancelled); otherwise the HTTP status (300 or above, logged unless head), and nothing
    // stays open. A HEAD refused with a status is the caller's to judge: many servers refuse HEAD
    // alone.
    int Open(CUrl& record, bool head);
    // Prepares the request for an HTTP or HTTPS record and returns at once; it leaves with the
    // next SendAhead of any transfer of this thread, and then runs whenever another transfer of
    // this thread waits for its own bytes. A later Open with the same record and head takes it
    // over (and only then logs, reads headers or asks for a login), unless the server's entry in
    // the connection cache changed meanwhile: then Open sends it again. False when nothing was
    // started (another scheme, an unusable record).
    bool StartAhead(const CUrl& record, bool head);
    // Sends every request of this thread that StartAhead prepared; when several are, they leave
    // together.
    void SendAhead(bool several);
    // Open, and on a 401 ask for a user name and password (when logins are enabled) until the
    // server accepts them or the user cancels. True when the URL is open.
    bool OpenWithLogin(CUrl& record, bool head);
    // Fills buffer with up to maximum bytes, fewer only at the end of the body. 0 at the end
    // (or when nothing is open); -1 when the transfer failed, timed out or was cancelled.
    std::int64_t Read(void* buffer, std::size_t maximum);
    // What the open response's Last-Modified, Content-Length, Content-Type and
    // Content-Disposition say. False unless
    // an HTTP request is open.
    bool QueryHeaders(CResponseFacts& facts) const;
    void Close();
    // From now on the transfer, opening included, fails as timed out once limit has passed.
    void SetTimeLimit(std::chrono::seconds limit);
    // The next GET asks for the body from byte from on, and only while the resource still has
    // validator (If-Range); 0 asks for the whole body. A server that refuses such a range with
    // 416 makes Open return 416 without logging it: the caller starts over.
    void SetRange(std::uint64_t from, const std::string& validator);
    // Receive in large blocks: for a file's body, which may be large, rather than a page.
    void UseLargeReceives() { m_largeReceives = true; }
    // For a caller that tries the request again itself, with pauses between tries: Open then
    // connects once, and keeps the log line of a failure that a retry may change (no answer,
    // 408, 429, 5xx) for WriteHeldLine instead of writing it.
    void LeaveRetriesToCaller() { m_callerRetries = true; }
    // Writes the failure line that the last Open kept (nothing when it kept none).
    void WriteHeldLine();
    // The address that answered when the open request followed a redirect; empty when the
    // address asked for answered itself, or when nothing is open.
    std::string AnsweredUrl() const;

    bool IsOpen() const { return m_request != nullptr; }
    // True once the request has ended: its whole answer is in, or it failed.
    bool HasEnded() const;
    // The whole body of a request that has ended well with a 2xx status and of which nothing
    // was read yet; empty otherwise. Valid until the transfer is used again.
    std::string_view EndedBody() const;
    // hook, when not null, is called on this thread whenever a transfer that waits for its bytes
    // sees another request of the thread end, so the caller can send the next one at once. The
    // caller keeps hook alive until it sets another; it is not called from within itself.
    static void SetThreadEndedHook(const std::function<void()>* hook);
    // True once the cancel flag stopped the last Open or Read.
    bool WasCancelled() const { return m_cancelled; }
    // True when the last open was refused with an HTTP status (as opposed to no answer).
    bool WasRefused() const { return m_refusedStatus != 0; }
    // The HTTP status that refused the last open; 0 when it was not refused.
    int RefusedStatus() const { return m_refusedStatus; }
    // True when the last open failed because the host name has no address: trying again soon
    // would only be told the same.
    bool HostUnknown() const { return m_hostUnknown; }
    // The Retry-After value of the answer that refused the last open; empty without one.
    const std::string& RetryAfter() const { return m_retryAfter; }
    // True once the time limit (SetTimeLimit) has passed: a failure then is no chance event.
    bool PassedTimeLimit() const { return std::chrono::steady_clock::now() >= m_deadline; }
    // True when the last open was a range request that the server refused with 416.
    bool RangeRefused() const { return m_rangeRefused; }
    // The HTTP status of the open response; 0 when nothing (or no HTTP request) is open.
    int Status() const;
    // Why the last Open or Read failed, in the words of its log line ("HTTP error 404!",
    // "connection problem: ..."); empty after a success or a cancel.
    const std::string& Problem() const { return m_problem; }

    // One request of a transfer; the thread keeps track of those that wait for their reader.
    struct CRequest;

private:
    // mayWait: when the site's limits hold the request back, wait for them (driving the
    // thread's other transfers meanwhile) rather than fail.
    bool Start(const CUrl& record, bool head, bool mayWait);
    // Takes the request's pass to its site; false when it may not wait and the limits say no,
    // or when a cancel ended the wait.
    bool Admit(const CSiteLimits& limits, bool mayWait);
    // Whether the request that StartAhead sent can serve Open(record, head); closes it if not.
    bool TakeAhead(const CUrl& record, bool head);
    template <class Predicate> void Drive(Predicate done);
    // Marks the finished requests of the thread; true when one of them is not this transfer's.
    bool ReadMessages();
    void LogConnectionProblem(const CUrl& record);
    // Writes a failure's log line, or keeps it for WriteHeldLine when the caller retries.
    void WriteProblemLine(std::string line);

    const CTransferContext& m_context;
    const std::atomic<bool>* m_cancel;
    std::uint32_t m_service = 0;
    std::unique_ptr<CRequest> m_request;
    std::shared_ptr<const CConnection> m_connection;
    bool m_cancelled = false;
    int m_refusedStatus = 0;
    std::string m_problem;
    bool m_rangeRefused = false;
    bool m_largeReceives = false;
    bool m_callerRetries = false;
    bool m_hostUnknown = false;
    std::string m_heldLine;
    std::string m_retryAfter;
    std::uint64_t m_rangeFrom = 0;
    std::string m_rangeValidator;
    // What the user answered at a login prompt: it goes with this transfer's requests (and the
    // server's entry in the connection cache), never into the shared record.
    bool m_hasLogin = false;
    std::string m_loginUser;
    std::string m_loginPassword;
    std::chrono::steady_clock::time_point m_deadline = std::chrono::steady_clock::time_point::max();
    // Set from StartAhead until Open takes the request over or it closes.
    bool m_ahead = false;
    bool m_aheadHead = false;
};
