#include "net/UrlTransfers.h"

#include "net/MediaTypes.h"
#include "net/Transfer.h"
#include "net/TransferCounts.h"
#include "net/TransferProgress.h"
#include "net/TransferTries.h"
#include "platform/EventPoster.h"
#include "platform/Statistics.h"
#include "settings/LogFile.h"
#include "url/Url.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace
{

// A download streams through a buffer of this size.
constexpr std::size_t kDownloadBlock = 1024;
// A page of unknown size is read in blocks of this size (a byte of the 1024 is the terminator).
constexpr std::size_t kPageBlock = 1023;
// What a page read reserves at most before the bytes have arrived.
constexpr std::size_t kMaxReserve = 1024 * 1024;

// A page read counts a progress step per block, as the activity bar always did, but posts them
// in one message per 64 blocks and one at the end of the page.
class CPageProgress
{
public:
    explicit CPageProgress(const CTransferContext& context) : m_context(context) {}
    ~CPageProgress() { Flush(); }
    CPageProgress(const CPageProgress&) = delete;
    CPageProgress& operator=(const CPageProgress&) = delete;

    void Step()
    {
        if (++m_steps >= kStepsPerPost)
            Flush();
    }

private:
    static constexpr std::int64_t kStepsPerPost = 64;

    void Flush()
    {
        if (m_steps > 0)
            m_context.events.Post(CProgressStepEvent{m_steps});
        m_steps = 0;
    }

    const CTransferContext& m_context;
    std::int64_t m_steps = 0;
};

} // namespace

bool ReadHeaders(CUrl& record, CTransfer& transfer, CResponseFacts* facts)
{
    if (!record.m_usable)
        return false;
    CResponseFacts read;
    if (!transfer.QueryHeaders(read))
    {
        record.m_usable = false;
        return false;
    }
    record.m_size = read.size;
    record.m_sizeState = read.size != 0 ? kSizeKnown : kSizeNotGiven;
    if (facts != nullptr)
        *facts = std::move(read);
    return true;
}

namespace
{

// Appends a block to the text; true when a zero byte in it ended the text.
bool AppendText(std::string& text, const char* block, std::size_t count)
{
    const void* zero = std::memchr(block, 0, count);
    if (zero != nullptr)
        count = static_cast<std::size_t>(static_cast<const char*>(zero) - block);
    text.append(block, count);
    return zero != nullptr;
}

} // namespace

namespace
{

// How one try of a page read ended.
struct CPageTry
{
    // The text, whole or (after a cut) as far as it came; none after a cancel or a failed open.
    std::optional<std::string> text;
    bool cancelled = false;
    // A failure that a later try may not meet: no answer, a refusal (Retry judges its status),
    // a cut or stalled body.
    bool mayPass = false;
    int status = 0;
    std::string retryAfter;
    std::string problem;
};

CPageTry ReadPageOnce(CUrl& record, const CTransferContext& context,
                      const std::atomic<bool>& cancel, CPageAnswer* answer, CTransfer& transfer)
{
    CPageTry result;
    transfer.SetTimeLimit(context.pageReadLimit);
    transfer.LeaveRetriesToCaller();
    if (!transfer.OpenWithLogin(record, false))
    {
        result.cancelled = transfer.WasCancelled();
        result.status = transfer.RefusedStatus();
        result.retryAfter = transfer.RetryAfter();
        result.problem = transfer.Problem();
        result.mayPass = !result.cancelled && !result.problem.empty() &&
                         !transfer.PassedTimeLimit() && !transfer.HostUnknown();
        return result;
    }
    CResponseFacts facts;
    ReadHeaders(record, transfer, &facts);
    if (answer != nullptr)
    {
        answer->answeredUrl = transfer.AnsweredUrl();
        answer->lastModified = facts.lastModified;
        answer->contentType = facts.contentType;
        answer->dispositionName = facts.dispositionName;
        // A file's body is no page text; the headers said what it is. A server that names
        // neither a type nor a file name is still read: a browser would look at the text.
        if (answer->onlyPages && (!facts.contentType.empty() || !facts.dispositionName.empty()) &&
            !IsPageMediaType(BareMediaType(facts.contentType)))
        {
            answer->notPage = true;
            result.text.emplace();
            return result;
        }
    }

    // Content-Length is the server's claim, not a fact: reserve a sane amount and grow. The cap
    // counts every byte read, so a body of zero bytes cannot run on either.
    const bool sized = facts.size != 0;
    const std::size_t limit =
        sized ? std::min<std::size_t>(facts.size, kMaxBodyBytes) : kMaxBodyBytes;
    CPageProgress progress(context);
    std::string text;
    if (sized)
        text.reserve(std::min(limit, kMaxReserve));
    char block[kDownloadBlock];
    std::size_t received = 0;
    bool cut = false;
    while (received < limit)
    {
        const std::size_t want = std::min(sized ? sizeof block : kPageBlock, limit - received);
        const std::int64_t count = transfer.Read(block, want);
        cut = count < 0;
        if (count <= 0)
            break;
        if (IsCancelled(cancel))
        {
            result.cancelled = true;
            return result;
        }
        CountReceived(context, count);
        received += static_cast<std::size_t>(count);
        const bool ended = AppendText(text, block, static_cast<std::size_t>(count));
        progress.Step();
        // Whatever follows a zero byte is not part of the text.
        if (ended)
            break;
    }
    // A read stopped by the cancel flag gives nothing, like a cancel between blocks.
    if (transfer.WasCancelled())
    {
        result.cancelled = true;
        return result;
    }
    // A read that ran out of time keeps what came; one that broke off may go better again.
    if (cut && !transfer.PassedTimeLimit())
    {
        result.mayPass = true;
        result.problem = transfer.Problem();
    }
    result.text = std::move(text);
    return result;
}

} // namespace

std::optional<std::string> FetchBody(CUrl& record, const CTransferContext& context,
                                     const std::atomic<bool>* cancel, CPageAnswer* answer,
                                     CTransfer* started)
{
    if (!record.m_usable)
    {
        if (answer != nullptr)
            answer->problem = "the address cannot be used";
        return std::nullopt;
    }
    if (cancel == nullptr)
        cancel = &context.cancelBrowse;
    CTransferTries tries(context, record, *cancel);
    for (bool first = true;; first = false)
    {
        if (!tries.BeforeTry())
        {
            if (answer != nullptr)
                answer->problem = tries.Problem();
            return std::nullopt;
        }
        CTransfer own(context, cancel);
        CTransfer& transfer = first && started != nullptr ? *started : own;
        CPageTry done = ReadPageOnce(record, context, *cancel, answer, transfer);
        if (done.cancelled)
            return std::nullopt;
        if (done.mayPass && tries.Retry(done.status, done.retryAfter, done.problem))
            continue;
        if (tries.Cancelled())
            return std::nullopt;
        if (!done.mayPass && done.text)
            tries.Answered();
        // The last try's failure, as it would have been without retries: a refusal or no
        // answer is logged and gives nothing, a cut body gives the text as far as it came.
        transfer.WriteHeldLine();
        tries.Settle();
        if (!done.text && answer != nullptr)
        {
            answer->refusedStatus = done.status;
            answer->problem = done.problem;
        }
        return std::move(done.text);
    }
}

std::uint64_t DetermineSize(CUrl& record, const CTransferContext& context,
                            const std::atomic<bool>* cancel, std::string* problem)
{
    if (!record.m_usable)
        return 0;
    if (record.m_sizeState == kSizeKnown)
        return record.m_size;
    CTransfer transfer(context, cancel);
    if (!transfer.OpenWithLogin(record, true))
    {
        // A server that refuses HEAD may still serve the file: only a refused GET drops it.
        if (transfer.WasRefused())
        {
            CTransfer get(context, cancel);
            if (get.OpenWithLogin(record, false))
            {
                record.m_sizeState = kSizeNotGiven;
                return 0;
            }
            if (!get.WasCancelled())
                record.m_usable = false;
            if (problem != nullptr)
                *problem = get.Problem();
            return 0;
        }
        if (!transfer.WasCancelled())
            record.m_usable = false;
        if (problem != nullptr)
            *problem = transfer.Problem();
        return 0;
    }
    ReadHeaders(record, transfer);
    return record.m_size;
}

bool CheckHeaders(CUrl& record, const CTransferContext& context, CCalendarTime* lastModified,
                  CTransfer* started)
{
    if (!record.m_usable)
        return false;
    CTransfer own(context, &context.cancelBrowse);
    CTransfer& transfer = started != nullptr ? *started : own;
    if (!transfer.OpenWithLogin(record, true))
    {
        // A refused HEAD says nothing about the page: its date is unknown and it is read.
        if (!transfer.WasCancelled() && !transfer.WasRefused())
            record.m_usable = false;
        return false;
    }
    CResponseFacts facts;
    if (!ReadHeaders(record, transfer, &facts))
        return false;
    if (lastModified != nullptr)
        *lastModified = facts.lastModified;
    return true;
}
