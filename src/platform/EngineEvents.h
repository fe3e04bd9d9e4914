#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

class CLoginRequest;

// What the engine tells a front-end: one small value struct per kind. A receiver on another
// thread never sees a pointer into a shared record.

// The states of a file queued for download, carried by CDownloadStateEvent.
inline constexpr std::int64_t DOWNLOAD_QUEUED = 0;
inline constexpr std::int64_t DOWNLOAD_RUNNING = 1;
inline constexpr std::int64_t DOWNLOAD_DONE = 2;
inline constexpr std::int64_t DOWNLOAD_SKIPPED = 3;
inline constexpr std::int64_t DOWNLOAD_FAILED = 4;
inline constexpr std::int64_t DOWNLOAD_CANCELLED = 5;
// A cancel gave the queued file back to the file list.
inline constexpr std::int64_t DOWNLOAD_RETURNED = 6;

// The tree images of a page while it is read and once it has been read.
inline constexpr std::int32_t kPageImageReading = 1;
inline constexpr std::int32_t kPageImageDone = 2;
// The page could not be read (no answer, or an error status).
inline constexpr std::int32_t kPageImageFailed = 3;

// One file's download as a download state reports it; the file is known by its URL text.
struct CDownloadReport
{
    std::string url;
    // Where it goes (while running, and after a failure: the name a later attempt continues)
    // or went (done).
    std::string path;
    // Skipped and failed: why, as the log line says it.
    std::string reason;
    std::uint64_t received = 0; // bytes of the file on disk, kept ones included
    std::int64_t total = -1;    // the file's length; -1 while not known
    // Running: the whole seconds it waits before it is tried again (reason says why); 0 while
    // it is not waiting.
    std::int64_t retryInSeconds = 0;
};

// What a message is, so that a window can show the fitting icon.
enum class EMessageKind
{
    Information,
    Warning,
    Error
};

// A page is being read or has been read.
struct CPageStateEvent
{
    std::string url;
    std::int32_t pageKind = 2; // the page kind of the page record (kPageKind*)
    std::int32_t image = kPageImageReading;
};

// Steps of the activity bar; -1 clears it.
struct CProgressStepEvent
{
    std::int64_t steps = 1;
};

struct CStatusTextEvent
{
    std::string text;
};

// How many browses run now; 0 also lets the next browse start without the last one's cancel.
struct CRunningBrowsesEvent
{
    std::int32_t count = 0;
};

// Files were queued, started or ended: the receiver recomputes the pending count.
struct CDownloadsChangedEvent
{
};

// Why the crawl stopped early; shown as the status text, and said once.
struct CCrawlStoppedEvent
{
    std::string text;
};

// A queued file's state. Running files report at most a few times a second.
struct CDownloadStateEvent
{
    std::int64_t state = DOWNLOAD_QUEUED;
    CDownloadReport report;
};

// A message for the user from an engine thread; the engine does not wait for it to be read.
struct CShowMessageEvent
{
    EMessageKind kind = EMessageKind::Information;
    std::string caption;
    std::string text;
};

// A login question; the engine thread waits for request's answer.
struct CLoginPromptEvent
{
    std::shared_ptr<CLoginRequest> request;
};

// A site's browse ended. summary: the status text it leaves (empty when a stop at a bound
// keeps its own message as the last word).
struct CBrowseFinishedEvent
{
    std::string siteUrl;
    std::uint32_t pagesRead = 0;
    std::uint32_t filesFound = 0;
    std::string summary;
    // Why the start page could not be read; empty when it was read.
    std::string problem;
};

// "Terminate when done" is set and the work is done: the front-end closes.
struct CWorkDoneEvent
{
};

// A page was added to the site tree under its parent.
struct CPageAddedEvent
{
    std::string parentUrl;
    std::string url;
    bool visited = false;
};

// A file was found and listed.
struct CFileFoundEvent
{
    std::string url;
    std::string sizeText;
};

using CEngineEvent =
    std::variant<CPageStateEvent, CProgressStepEvent, CStatusTextEvent, CRunningBrowsesEvent,
                 CDownloadsChangedEvent, CCrawlStoppedEvent,
                 CDownloadStateEvent, CShowMessageEvent, CLoginPromptEvent, CBrowseFinishedEvent,
                 CWorkDoneEvent, CPageAddedEvent, CFileFoundEvent>;

// What a front-end implements to hear the engine.
// Thread contract: called on any thread, several at once; must not block.
class CEngineObserver
{
public:
    virtual ~CEngineObserver() = default;
    virtual void OnEvent(CEngineEvent event) = 0;
};
