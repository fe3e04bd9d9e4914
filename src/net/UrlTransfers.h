#pragma once

#include "net/TransferContext.h"
#include "platform/CalendarTime.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class CUrl;
class CTransfer;
struct CResponseFacts;
class CTransferProgress;

// The transfers of one record. Each fills the record's transfer state (size, size state,
// content type, last-modified time) from the response headers, and a failed open or header query
// makes the record unusable, after which every one of them fails at once without traffic. A
// transfer stopped by a cancel flag leaves the record usable.

// What a place function returns when the duplicate policy keeps the file that has the name.
inline constexpr int kKeptOldFile = -1;

// How a download ended. Skipped: a rule kept it from being downloaded (size limits, a file of
// that name kept); failed: the server, the network or the disk let it down.
enum class EDownloadEnd
{
    Done,
    Skipped,
    Failed,
    Cancelled,
};

struct CDownloadOutcome
{
    EDownloadEnd end = EDownloadEnd::Failed;
    // For a skipped or failed download, the reason as its log line gives it ("HTTP error 404!",
    // "Too Large!", "write error: No space left on device", ...).
    std::string reason;
};

// The rules of one download beyond its URL and its name.
struct CDownloadRules
{
    // A body larger than this many KiB (bytes / 1024, rounded down), by its Content-Length or
    // by the bytes that arrive, stops the download with the "Too Large!" line. None: any size.
    std::optional<std::uint64_t> maxSizeK;
    // Chooses the path once the answer's headers are in, since they may name the file: path
    // comes as DownloadTo was given it. False: the file is not to be downloaded (skipped, as a
    // "Filename collision!"). None: the path as given.
    std::function<bool(const CResponseFacts& facts, std::string& path)> name;
    // Gives the complete file at partPath its final name, path as asked (it may take another
    // and sets path to it): 0, kKeptOldFile, or the system's error number. None: replaces path.
    std::function<int(const std::string& partPath, std::string& path)> place;
    // Receives how the download ended, when given.
    CDownloadOutcome* outcome = nullptr;
};

// Downloads the record to path (or where rules.name puts it), reporting to progress. The bytes go
// to a partial file in path's folder (see CResumablePart) that gets its name only when the whole
// body has arrived and is written: a refused request, a failure or a cancel (m_cancelDownload)
// leaves path as it was. A download cut part way (a dropped connection, a stall, a cancel) keeps
// its bytes when the server gave a validator, and the next download of the URL to path asks only
// for the rest (Range, If-Range) whatever name it gets; it starts over when the server sends
// anything but that rest of that version (of the same total). A part that was not asked for is
// never kept: the whole body is asked for once more, then the download fails. Anything else leaves
// nothing behind. A failure that may pass is tried again as CTransferTries says, continuing the
// kept bytes. Every failure has one log line with its reason. True only when the file is
// complete; the record's local file name is the name the file got.
bool DownloadTo(CUrl& record, const CTransferContext& context, CTransferProgress& progress,
                const std::string& path, const CDownloadRules& rules = {});

// What a page read learnt besides the text; the reader's own, not the shared record's.
struct CPageAnswer
{
    std::string answeredUrl; // the address that answered after a redirect; empty without one
    CCalendarTime lastModified;
    // The HTTP status that refused the page; 0 when it was not refused.
    int refusedStatus = 0;
    // Why the page could not be read, as the log says it; empty when it was read.
    std::string problem;
    // What the headers say of the content: its Content-Type as sent, and the file name that
    // Content-Disposition gives.
    std::string contentType;
    std::string dispositionName;
    // In: an HTTP answer that names a type other than HTML or XHTML (or no type but a file
    // name) is not a page, and its body is not read. Out: true when the answer was such a one; the
    // text is then empty.
    bool onlyPages = false;
    bool notPage = false;
};

// The whole body as text, as a caller that reads it up to a zero byte sees it; nothing when the
// record cannot be opened or cancel (m_cancelBrowse when null) is set meanwhile. The size the
// server announces is never trusted for the allocation, a body stops at kMaxBodyBytes read, and
// a read stops after context.pageReadLimit with the text that came. A failure that may pass is
// tried again as CTransferTries says; a body still cut after the last try gives the text that
// came. Never clears the usable flag by itself failing to open. answer, when given, receives
// what the response said besides the text. started, when given, is the transfer to open: one
// whose request StartAhead may have sent already (see CTransfer); it watches m_cancelBrowse.
// Progress steps go out one per block, posted at most every 64 blocks and at the end.
std::optional<std::string> FetchBody(CUrl& record, const CTransferContext& context,
                                     const std::atomic<bool>* cancel = nullptr,
                                     CPageAnswer* answer = nullptr, CTransfer* started = nullptr);
inline constexpr std::size_t kMaxBodyBytes = 64 * 1024 * 1024;

// The size in bytes from a HEAD request (none when it is already known); 0 when unknown. A HEAD
// refused with a status while GET opens leaves the size unknown (size state 2) and the record
// usable. cancel (may be null) aborts the request.
// problem, when given, receives the reason of a failure as the log line gives it.
std::uint64_t DetermineSize(CUrl& record, const CTransferContext& context,
                            const std::atomic<bool>* cancel = nullptr,
                            std::string* problem = nullptr);

// A HEAD request that fills the record's size and size state and gives the last-modified time
// (when lastModified is given); false when it fails (the record is then unusable, except after
// a refusal with a status: the date is then unknown). Watches m_cancelBrowse. started: as for
// FetchBody.
bool CheckHeaders(CUrl& record, const CTransferContext& context,
                  CCalendarTime* lastModified = nullptr, CTransfer* started = nullptr);

// Fills the record's size and size state from an open transfer (size state 0 with a size, else
// 2), and facts, when given, with all the headers say. False (and the record unusable) when the
// headers cannot be read, as for a non-HTTP URL.
bool ReadHeaders(CUrl& record, CTransfer& transfer, CResponseFacts* facts = nullptr);
