#include "net/UrlTransfers.h"

#include "net/DownloadThrottle.h"
#include "net/MediaTypes.h"
#include "net/PartFile.h"
#include "net/ResumablePart.h"
#include "net/Transfer.h"
#include "net/TransferProgress.h"
#include "platform/EventPoster.h"
#include "platform/Statistics.h"
#include "settings/LogFile.h"
#include "url/Url.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

namespace
{

constexpr const char* kProductName = "Harvestor";
// A download streams through a buffer of this size.
constexpr std::size_t kDownloadBlock = 1024;
// A page of unknown size is read in blocks of this size (a byte of the 1024 is the terminator).
constexpr std::size_t kPageBlock = 1023;
// What a page read reserves at most before the bytes have arrived.
constexpr std::size_t kMaxReserve = 1024 * 1024;
// Why a download whose server keeps answering with a part of the body fails.
constexpr const char* kUnaskedPart = "the server sent a part that was not asked for";

std::string SystemErrorText(int error)
{
    return std::generic_category().message(error);
}

void CountReceived(const CTransferContext& context, std::int64_t count)
{
    context.statistics.m_receivedBytes.fetch_add(static_cast<std::uint64_t>(count),
                                                 std::memory_order_relaxed);
}

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

bool IsCancelled(const std::atomic<bool>& flag)
{
    return flag.load(std::memory_order_relaxed);
}

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

// Where the bytes of one download go: its resumable partial file, or, while another download
// holds that one (or it is not the user's own), a temporary file of its own.
class CDownloadFile
{
public:
    int Create(const std::string& url, const std::string& path)
    {
        m_resumable = m_resumablePart.Open(url, path) == 0;
        return m_resumable ? 0 : m_temporary.CreateBeside(path);
    }
    std::FILE* Stream() const
    {
        return m_resumable ? m_resumablePart.Stream() : m_temporary.Stream();
    }
    const std::string& Path() const
    {
        return m_resumable ? m_resumablePart.Path() : m_temporary.Path();
    }
    std::uint64_t KeptBytes() const { return m_resumable ? m_resumablePart.KeptBytes() : 0; }
    const std::string& Validator() const { return m_resumablePart.Validator(); }
    std::uint64_t KeptLength() const { return m_resumable ? m_resumablePart.Length() : 0; }
    int Restart() { return m_resumable ? m_resumablePart.Restart() : 0; }
    // A record that cannot be written only costs the chance to continue later.
    void Remember(const std::string& validator, std::uint64_t length)
    {
        if (m_resumable)
            m_resumablePart.Remember(validator, length);
    }
    int Finish() { return m_resumable ? m_resumablePart.Finish() : m_temporary.Finish(); }
    void KeepForLater()
    {
        if (m_resumable)
            m_resumablePart.KeepForLater();
    }
    void Placed()
    {
        if (m_resumable)
            m_resumablePart.Placed();
        else
            m_temporary.Keep();
    }

private:
    bool m_resumable = false;
    CResumablePart m_resumablePart;
    CPartFile m_temporary;
};

} // namespace

bool DownloadTo(CUrl& record, const CTransferContext& context, CTransferProgress& progress,
                const std::string& path, const CDownloadRules& rules)
{
    CDownloadOutcome unused;
    CDownloadOutcome& outcome = rules.outcome != nullptr ? *rules.outcome : unused;
    // Every failure leaves one log line with the reason the downloads view shows; the ones that
    // the transfer or a write error logged already say so.
    const auto end = [&](EDownloadEnd how, std::string reason = {}, bool logged = false)
    {
        if (how == EDownloadEnd::Failed && !logged)
            context.log.Write("Failed %s: %s\n", record.m_url.c_str(), reason.c_str());
        outcome.end = how;
        outcome.reason = std::move(reason);
        progress.OnEnd(how == EDownloadEnd::Done);
        return how == EDownloadEnd::Done;
    };
    if (!record.m_usable)
        return end(EDownloadEnd::Failed, "no usable answer from the server");
    CDownloadFile file;
    if (file.Create(record.m_url, path) != 0)
    {
        context.events.Post(
            CShowMessageEvent{EMessageKind::Error, kProductName, "Failed to open " + path});
        return end(EDownloadEnd::Failed, "Failed to open " + path);
    }
    const auto writeFailed = [&](int error)
    {
        const std::string text = SystemErrorText(error);
        context.log.Write("File %s write error: %s\n", record.m_url.c_str(), text.c_str());
        return end(EDownloadEnd::Failed, "write error: " + text, true);
    };
    // A cut transfer keeps its bytes for the next attempt. An open that failed has logged why.
    const auto cut = [&](const CTransfer& transfer, bool logged)
    {
        file.KeepForLater();
        if (transfer.WasCancelled() || IsCancelled(context.cancelDownload))
            return end(EDownloadEnd::Cancelled);
        return end(EDownloadEnd::Failed, transfer.Problem(), logged);
    };

    CTransfer transfer(context, &context.cancelDownload);
    transfer.UseLargeReceives();
    std::uint64_t kept = file.KeptBytes();
    // A part of the body that nobody asked for is never kept; the whole is asked for once more.
    bool askedAgain = false;
    CResponseFacts facts;
    for (;;)
    {
        transfer.SetRange(kept, file.Validator());
        if (!transfer.OpenWithLogin(record, false))
        {
            if (transfer.RangeRefused())
            {
                if (const int error = file.Restart(); error != 0)
                    return writeFailed(error);
                kept = 0;
                continue;
            }
            const bool logged = !transfer.Problem().empty();
            if (transfer.WasCancelled())
                return cut(transfer, logged);
            record.m_usable = false;
            // No answer says nothing about the bytes on disk; a refusal does.
            if (!transfer.WasRefused())
                return cut(transfer, logged);
            return end(EDownloadEnd::Failed, transfer.Problem(), logged);
        }
        ReadHeaders(record, transfer, &facts);
        const bool partial = transfer.Status() == 206;
        // Only the rest of the version whose start is on disk is appended, and only when the
        // server counts the same total.
        if (kept > 0 && partial && facts.rangeStart == static_cast<std::int64_t>(kept) &&
            facts.validator == file.Validator() &&
            (file.KeptLength() == 0 || facts.size == file.KeptLength()))
            break;
        if (kept > 0)
        {
            if (const int error = file.Restart(); error != 0)
                return writeFailed(error);
            kept = 0;
        }
        if (!partial)
        {
            file.Remember(facts.validator,
                          record.m_sizeState == kSizeKnown ? record.m_size.load() : 0);
            break;
        }
        if (askedAgain)
            return end(EDownloadEnd::Failed, kUnaskedPart);
        askedAgain = true;
    }

    const auto tooLarge = [&](std::uint64_t bytes)
    { return rules.maxSizeK && bytes / 1024 > *rules.maxSizeK; };
    const auto refuseSize = [&]
    {
        context.log.Write("Skipped %s: Too Large!\n", record.m_url.c_str());
        return end(EDownloadEnd::Skipped, "Too Large!");
    };
    const bool sized = record.m_sizeState == kSizeKnown;
    if (sized && tooLarge(record.m_size))
        return refuseSize();
    std::string named = path;
    if (rules.name && !rules.name(facts, named))
        return end(EDownloadEnd::Skipped, "Filename collision!");
    progress.OnBegin(sized ? static_cast<std::int64_t>(record.m_size) : -1);

    char block[kDownloadBlock];
    // The bytes of an earlier attempt count towards the file, never again towards the bytes
    // received.
    std::uint64_t total = kept;
    CDownloadThrottle throttle(context);
    for (;;)
    {
        const std::int64_t count = transfer.Read(block, sizeof block);
        if (count < 0)
            return cut(transfer, false);
        if (count == 0)
        {
            throttle.Flush();
            break;
        }
        total += static_cast<std::uint64_t>(count);
        // The announced size is the server's claim; the bytes are the fact.
        if (tooLarge(total))
            return refuseSize();
        // Written before the cancel is seen, so that what was received is kept and never
        // received twice.
        if (std::fwrite(block, 1, static_cast<std::size_t>(count), file.Stream()) !=
            static_cast<std::size_t>(count))
            return writeFailed(errno);
        CountReceived(context, count);
        // While this waits the transfer is not driven: its connection stops reading.
        if (!throttle.Received(static_cast<std::uint64_t>(count)) ||
            IsCancelled(context.cancelDownload))
            return cut(transfer, false);
        progress.OnProgress(total);
    }
    transfer.Close();
    if (sized && total != record.m_size)
    {
        file.KeepForLater();
        return end(EDownloadEnd::Failed, "connection problem: the body ended early");
    }
    // The last buffered bytes reach the disk only here; a failure now is a failed download too.
    if (const int error = file.Finish(); error != 0)
        return writeFailed(error);

    std::string finalPath = named;
    const int placed = rules.place
                           ? rules.place(file.Path(), finalPath)
                           : (std::rename(file.Path().c_str(), named.c_str()) == 0 ? 0 : errno);
    if (placed == kKeptOldFile)
        return end(EDownloadEnd::Skipped, "Filename collision!");
    if (placed != 0)
        return writeFailed(placed);
    file.Placed();
    record.SetLocalFileName(finalPath);
    return end(EDownloadEnd::Done);
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
    CTransfer own(context, cancel);
    CTransfer& transfer = started != nullptr ? *started : own;
    transfer.SetTimeLimit(context.pageReadLimit);
    if (!transfer.OpenWithLogin(record, false))
    {
        if (answer != nullptr)
        {
            answer->refusedStatus = transfer.RefusedStatus();
            answer->problem = transfer.Problem();
        }
        return std::nullopt;
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
            return std::string();
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
    while (received < limit)
    {
        const std::size_t want = std::min(sized ? sizeof block : kPageBlock, limit - received);
        const std::int64_t count = transfer.Read(block, want);
        if (count <= 0)
            break;
        if (IsCancelled(*cancel))
            return std::nullopt;
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
        return std::nullopt;
    return text;
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
