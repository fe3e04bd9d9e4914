#include "net/DownloadThrottle.h"
#include "net/PartFile.h"
#include "net/ResumablePart.h"
#include "net/RetryPolicy.h"
#include "net/Transfer.h"
#include "net/TransferCounts.h"
#include "net/TransferProgress.h"
#include "net/TransferTries.h"
#include "net/UrlTransfers.h"
#include "platform/EventPoster.h"
#include "settings/LogFile.h"
#include "url/Url.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace
{

constexpr const char* kProductName = "Harvestor";
// A download streams through a buffer of this size.
constexpr std::size_t kDownloadBlock = 1024;
// Why a download whose server keeps answering with a part of the body fails.
constexpr const char* kUnaskedPart = "the server sent a part that was not asked for";

std::string SystemErrorText(int error)
{
    return std::generic_category().message(error);
}

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

// How one try of a download ended.
struct CDownloadTry
{
    EDownloadEnd end = EDownloadEnd::Failed;
    std::string reason;
    // The failure's line is written already, or held by the transfer.
    bool logged = false;
    // Failed with no answer, a cut body or a refusal: a later try may do better.
    bool mayPass = false;
    // The request itself was refused or not answered: the record is no use after the last try.
    bool openFailed = false;
    int status = 0;
    std::string retryAfter;
};

// One request for the file (two when the server refuses to continue the kept bytes and the whole
// is asked for): it continues what earlier tries kept.
CDownloadTry DownloadOnce(CUrl& record, const CTransferContext& context,
                          CTransferProgress& progress, CTransfer& transfer, const std::string& path,
                          const CDownloadRules& rules)
{
    CDownloadTry result;
    const auto ended = [&](EDownloadEnd how, std::string reason = {}, bool logged = false)
    {
        result.end = how;
        result.reason = std::move(reason);
        result.logged = logged;
        return result;
    };
    CDownloadFile file;
    if (file.Create(record.m_url, path) != 0)
    {
        context.events.Post(
            CShowMessageEvent{EMessageKind::Error, kProductName, "Failed to open " + path});
        return ended(EDownloadEnd::Failed, "Failed to open " + path);
    }
    const auto writeFailed = [&](int error)
    {
        const std::string text = SystemErrorText(error);
        context.log.Write("File %s write error: %s\n", record.m_url.c_str(), text.c_str());
        return ended(EDownloadEnd::Failed, "write error: " + text, true);
    };
    // A cut transfer keeps its bytes for the next try. An open that failed has its line held.
    const auto cut = [&](bool logged)
    {
        file.KeepForLater();
        if (transfer.WasCancelled() || IsCancelled(context.cancelDownload))
            return ended(EDownloadEnd::Cancelled);
        result.mayPass = !transfer.HostUnknown();
        return ended(EDownloadEnd::Failed, transfer.Problem(), logged);
    };

    transfer.UseLargeReceives();
    transfer.LeaveRetriesToCaller();
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
                return cut(logged);
            result.openFailed = true;
            result.status = transfer.RefusedStatus();
            result.retryAfter = transfer.RetryAfter();
            // No answer says nothing about the bytes on disk, nor does a "not now"; a refusal
            // does.
            if (!transfer.WasRefused() || IsRetriedStatus(result.status))
                return cut(logged);
            result.mayPass = true;
            return ended(EDownloadEnd::Failed, transfer.Problem(), logged);
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
            return ended(EDownloadEnd::Failed, kUnaskedPart);
        askedAgain = true;
    }

    const auto tooLarge = [&](std::uint64_t bytes)
    { return rules.maxSizeK && bytes / 1024 > *rules.maxSizeK; };
    const auto refuseSize = [&]
    {
        context.log.Write("Skipped %s: Too Large!\n", record.m_url.c_str());
        return ended(EDownloadEnd::Skipped, "Too Large!");
    };
    const bool sized = record.m_sizeState == kSizeKnown;
    if (sized && tooLarge(record.m_size))
        return refuseSize();
    std::string named = path;
    if (rules.name && !rules.name(facts, named))
        return ended(EDownloadEnd::Skipped, "Filename collision!");
    progress.OnBegin(sized ? static_cast<std::int64_t>(record.m_size) : -1);

    char block[kDownloadBlock];
    // The bytes of an earlier try count towards the file, never again towards the bytes
    // received.
    std::uint64_t total = kept;
    CDownloadThrottle throttle(context);
    for (;;)
    {
        const std::int64_t count = transfer.Read(block, sizeof block);
        if (count < 0)
            return cut(false);
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
            return cut(false);
        progress.OnProgress(total);
    }
    transfer.Close();
    if (sized && total != record.m_size)
    {
        file.KeepForLater();
        result.mayPass = true;
        return ended(EDownloadEnd::Failed, "connection problem: the body ended early");
    }
    // The last buffered bytes reach the disk only here; a failure now is a failed download too.
    if (const int error = file.Finish(); error != 0)
        return writeFailed(error);

    std::string finalPath = named;
    const int placed = rules.place
                           ? rules.place(file.Path(), finalPath)
                           : (std::rename(file.Path().c_str(), named.c_str()) == 0 ? 0 : errno);
    if (placed == kKeptOldFile)
        return ended(EDownloadEnd::Skipped, "Filename collision!");
    if (placed != 0)
        return writeFailed(placed);
    file.Placed();
    record.SetLocalFileName(finalPath);
    return ended(EDownloadEnd::Done);
}

} // namespace

bool DownloadTo(CUrl& record, const CTransferContext& context, CTransferProgress& progress,
                const std::string& path, const CDownloadRules& rules)
{
    CDownloadOutcome unused;
    CDownloadOutcome& outcome = rules.outcome != nullptr ? *rules.outcome : unused;
    // Every failure leaves one log line with the reason the downloads view shows; the ones that
    // the transfer, a write error or the site's given-up line logged already say so.
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
    CTransferTries tries(context, record, context.cancelDownload,
                         [&progress](std::int64_t seconds, const std::string& reason)
                         { progress.OnRetryWait(seconds, reason); });
    for (;;)
    {
        if (!tries.BeforeTry())
        {
            if (tries.Cancelled())
                return end(EDownloadEnd::Cancelled);
            return end(EDownloadEnd::Failed, tries.Problem(), true);
        }
        CTransfer transfer(context, &context.cancelDownload);
        CDownloadTry done = DownloadOnce(record, context, progress, transfer, path, rules);
        if (done.end == EDownloadEnd::Done || done.end == EDownloadEnd::Skipped)
            tries.Answered();
        if (done.end != EDownloadEnd::Failed)
            return end(done.end, std::move(done.reason), done.logged);
        if (done.mayPass && tries.Retry(done.status, done.retryAfter, done.reason))
            continue;
        if (tries.Cancelled())
            return end(EDownloadEnd::Cancelled);
        if (done.openFailed)
            record.m_usable = false;
        transfer.WriteHeldLine();
        const bool ended = end(EDownloadEnd::Failed, std::move(done.reason), done.logged);
        tries.Settle();
        return ended;
    }
}
