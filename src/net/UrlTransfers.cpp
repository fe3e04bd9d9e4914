#include "net/UrlTransfers.h"

#include "net/PartFile.h"
#include "net/Transfer.h"
#include "net/TransferProgress.h"
#include "platform/FrameMessages.h"
#include "platform/Statistics.h"
#include "platform/UserPrompts.h"
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

std::string SystemErrorText(int error)
{
    return std::generic_category().message(error);
}

void CountReceived(const CTransferContext& context, std::int64_t count)
{
    context.statistics.m_receivedBytes.fetch_add(static_cast<std::uint32_t>(count),
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
            m_context.frame.PostToMainFrame(WM_PROGRESS_STEP, m_steps);
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

bool DownloadTo(CUrl& record, const CTransferContext& context, CTransferProgress& progress,
                const std::string& path, const CDownloadRules& rules)
{
    if (!record.m_usable)
    {
        progress.OnEnd(false);
        return false;
    }
    CPartFile file;
    if (file.CreateBeside(path) != 0)
    {
        context.prompts.ShowMessageAs(CUserPrompts::EKind::Error, kProductName,
                                      "Failed to open " + path);
        progress.OnEnd(false);
        return false;
    }

    CTransfer transfer(context, &context.cancelDownload);
    if (!transfer.OpenWithLogin(record, false))
    {
        if (!transfer.WasCancelled())
            record.m_usable = false;
        progress.OnEnd(false);
        return false;
    }
    ReadHeaders(record, transfer);

    const auto failed = [&]
    {
        progress.OnEnd(false);
        return false;
    };
    const auto tooLarge = [&](std::uint64_t bytes)
    { return rules.maxSizeK && bytes / 1024 > *rules.maxSizeK; };
    const auto refuseSize = [&]
    {
        context.log.Write("Skipped %s: Too Large!\n", record.m_url.c_str());
        return failed();
    };
    const auto writeFailed = [&](int error)
    {
        context.log.Write("File %s write error: %s\n", record.m_url.c_str(),
                          SystemErrorText(error).c_str());
        return failed();
    };
    if (record.m_sizeState == kSizeKnown && tooLarge(record.m_size))
        return refuseSize();
    progress.OnBegin(record.m_sizeState == kSizeKnown ? static_cast<std::int64_t>(record.m_size)
                                                      : -1);

    char block[kDownloadBlock];
    std::uint64_t total = 0;
    for (;;)
    {
        const std::int64_t count = transfer.Read(block, sizeof block);
        if (count < 0)
            return failed();
        if (count == 0)
            break;
        CountReceived(context, count);
        if (IsCancelled(context.cancelDownload))
            return failed();
        total += static_cast<std::uint64_t>(count);
        // The announced size is the server's claim; the bytes are the fact.
        if (tooLarge(total))
            return refuseSize();
        if (std::fwrite(block, 1, static_cast<std::size_t>(count), file.Stream()) !=
            static_cast<std::size_t>(count))
            return writeFailed(errno);
        progress.OnProgress(total);
    }
    transfer.Close();
    // The last buffered bytes reach the disk only here; a failure now is a failed download too.
    if (const int error = file.Finish(); error != 0)
        return writeFailed(error);

    std::string finalPath = path;
    const int placed = rules.place
                           ? rules.place(file.Path(), finalPath)
                           : (std::rename(file.Path().c_str(), path.c_str()) == 0 ? 0 : errno);
    if (placed == kKeptOldFile)
        return failed();
    if (placed != 0)
        return writeFailed(placed);
    file.Keep();
    progress.OnEnd(true);
    record.m_localFileName = finalPath;
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

std::optional<std::string> FetchBody(CUrl& record, const CTransferContext& context,
                                     const std::atomic<bool>* cancel, CPageAnswer* answer,
                                     CTransfer* started)
{
    if (!record.m_usable)
        return std::nullopt;
    if (cancel == nullptr)
        cancel = &context.cancelBrowse;
    CTransfer own(context, cancel);
    CTransfer& transfer = started != nullptr ? *started : own;
    transfer.SetTimeLimit(context.pageReadLimit);
    if (!transfer.OpenWithLogin(record, false))
        return std::nullopt;
    CResponseFacts facts;
    ReadHeaders(record, transfer, &facts);
    if (answer != nullptr)
    {
        answer->answeredUrl = transfer.AnsweredUrl();
        answer->lastModified = facts.lastModified;
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

std::uint32_t DetermineSize(CUrl& record, const CTransferContext& context,
                            const std::atomic<bool>* cancel)
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
            return 0;
        }
        if (!transfer.WasCancelled())
            record.m_usable = false;
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
