#pragma once

#include "core/CrawlBounds.h"
#include "platform/EngineEvents.h"
#include "platform/LoginRequest.h"
#include "settings/Options.h"
#include "url/DecisionJournal.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

class CFileError;
class CModeData;
class CTrawlerCore;
struct CTransferContext;
class CTrawlerCommandLineInfo;

class CUserPrompts;

// The network library, before any thread starts. False: the program cannot run.
bool StartNetworkLibrary();
void StopNetworkLibrary();

// What the engine has counted, read at one moment.
struct CEngineStats
{
    std::uint32_t foundSites = 0;
    std::uint32_t browsedSites = 0;
    std::uint32_t foundFiles = 0;
    std::uint32_t queuedFiles = 0;
    std::uint32_t receivedFiles = 0;
    std::uint64_t receivedBytes = 0;
    // Tries made again after a failure that may pass.
    std::uint32_t retries = 0;
    // Requests that waited for a site's request rate, connection limit or hold-off.
    std::uint32_t siteWaits = 0;
    std::uint32_t runningBrowses = 0;
    std::uint32_t runningDownloads = 0;
    std::size_t allocatedUrls = 0;
    // Pages and files that robots.txt kept the crawl from.
    std::uint32_t robotsDisallowed = 0;
};

// A listed file as the engine knows it now: its size (when the server gave one) and the page on
// which it was found.
struct CListedFile
{
    std::optional<std::uint64_t> size;
    std::string foundOn;
};

// What the engine keeps for a URL now: whether it has a record, whether the site tree or the file
// list shows it, and the record's own marks.
struct CRecordState
{
    bool known = false;
    bool inTree = false;
    bool inFileList = false;
    bool visited = false;
    bool usable = false;
};

// The kinds of work the engine counts, runs on threads of its own and joins.
enum class EEngineWork
{
    Browse,
    Download
};

// A start page whose read failed, and why.
struct CUnreadPage
{
    std::string url;
    std::string problem;
};

// The engine as a front-end, a test or a benchmark sees it: commands and snapshots. It owns the
// shared state, the browse threads and the download workers; what it has to say comes as events
// to the observer the front-end installs.
// Thread contract: the front-end's own thread, except where a function says otherwise.
class CEngine
{
public:
    // Works in the current directory and opens the log "hvstr.log" there.
    CEngine();
    // Works in workDir and logs to logPath (tests and benchmarks).
    CEngine(std::string workDir, const std::string& logPath);
    // Cancels and joins whatever still runs.
    ~CEngine();

    CEngine(const CEngine&) = delete;
    CEngine& operator=(const CEngine&) = delete;

    // Start-up, in this order.
    // The options (defaults when the file is missing or unusable; an unusable one is kept aside,
    // since the end of the run writes the options in its place), published to the workers.
    void LoadOptions();
    // The Internet session with the agent string, and download workers for every file queued.
    // False when libcurl cannot start.
    bool Open(const std::string& agent);
    // The histories that the options ask for, after Open.
    void LoadHistories();
    // A run that neither reads nor writes any history (before LoadHistories).
    void SkipHistories() { m_skipHistories = true; }

    // The front-end's observer (nullptr removes it; once this returns the old one hears nothing
    // more). Until one is installed, nothing is listed and login prompts end as Cancel.
    void SetObserver(CEngineObserver* observer);
    // The front-end's prompts for what its own thread asks (nullptr: the unattended ones).
    void SetPrompts(CUserPrompts* prompts);
    CUserPrompts& Prompts() const;
    // Tells the user that a settings file could not be read or written.
    void ReportFileError(const CFileError& error) const;

    // The options as the workers see them. Any thread.
    std::shared_ptr<const COptions> Options() const;
    // Replaces the options and publishes them to the workers.
    void SetOptions(const COptions& options);
    // Options for this run only (the command line's settings): the workers and the histories use
    // them, while SaveOptions goes on writing the ones they replaced.
    void SetRunOptions(const COptions& options);
    // Writes the options when this run changed them or found no usable file (always: even when
    // unchanged). A failure is reported to the user; false then.
    bool SaveOptions(bool always = false);

    // Puts the site into the site tree and browses it with mode number modeIndex (0 to 2; any
    // other number browses with the default mode).
    void BrowseSite(const std::string& siteText, std::int32_t modeIndex);
    // The same with a mode of the caller's (tests and benchmarks set bounds of their own).
    void BrowseSite(const std::string& siteText, std::unique_ptr<CModeData> mode);
    // Browses the command line's sites, each with the mode that adjust changes (when given);
    // with "term" (or "hide") the work ends the run.
    void BrowseCommandLineSites(const CTrawlerCommandLineInfo& commandLine,
                                const std::function<void(CModeData&)>& adjust = {});
    // Browses a page of the site tree (marked visited) with the mode.
    void BrowsePage(const std::string& url, std::unique_ptr<CModeData> mode);
    // Marks a page of the site tree visited (opened in the browser).
    void MarkVisited(const std::string& url);
    // Queues listed files for download, in order. Per URL: whether it was queued (it then
    // leaves the list; one the queue refused stays).
    std::vector<bool> QueueListedFiles(const std::vector<std::string>& urls);
    // Queues files again by URL (failed or cancelled downloads). True when any was queued.
    bool RetryDownloads(const std::vector<std::string>& urls);
    // The front-end removed these from its file list, or from its site tree (each with all the
    // pages under it that it showed).
    void ForgetListedFiles(const std::vector<std::string>& urls);
    void ForgetTreePages(const std::vector<std::string>& urls);
    // Asks the server the size of a listed file and returns the size text the list shows ("" when
    // the file is not known). Any thread; cancel ends the request. When the server does not
    // give the size for a failure (an error status, no connection), problem says why.
    std::string DetermineSize(const std::string& url, const std::atomic<bool>* cancel,
                              std::string* problem = nullptr);
    // Cancel Browse and Cancel Download: what runs ends, what is queued is not started.
    void CancelBrowse();
    void CancelDownloads();
    // Options page buttons.
    void ClearPageHistory();
    void ClearFileHistory();

    // Snapshots. Any thread.
    CEngineStats Statistics() const;
    std::uint32_t RunningBrowses() const;
    std::uint32_t RunningDownloads() const;
    // Files waiting for or in download (also kept as the "queued files" statistic).
    std::uint32_t PendingDownloads();
    // "Terminate when done" is set and no browse or download runs or waits.
    bool IsWorkDone() const;
    // A browse thread or download worker has not ended (it may still use the session).
    bool WorkersRunning() const;
    CListedFile ListedFile(std::string_view url) const;
    // Why a link was followed, listed or skipped, as the Why? window says it.
    std::string WhyAnswer(std::string_view url) const;
    std::vector<std::string> UrlsMet() const;
    // The decision on a link met, with the page it was found on.
    std::optional<CLinkExplanation> Explain(std::string_view url) const;
    std::vector<CLinkExplanation> ExplainAll() const;
    std::vector<CUnreadPage> UnreadStartPages() const;
    std::uint32_t FailedDownloads() const;
    // The download directory as downloads use it: ending in a separator (when not empty).
    std::string DownloadFolder() const;
    // The session's request settings for the front-end's own requests (the maker's site);
    // nullptr before Open.
    const CTransferContext* TransferContext() const;

    // Closing, in this order: every browse and download told to stop (none starts any more, and
    // a login prompt a worker waits for ends as Cancel), the options saved by the caller, every
    // thread joined, then the session closed and the histories saved (false when a history file
    // could not be written; the user was told).
    void CancelAllWork();
    void JoinAllWork();
    bool EndSession();

    // Before work starts (tests and benchmarks): what a crawl may hold, how long a page read may
    // take.
    void SetCrawlBounds(const CCrawlBounds& bounds);
    void SetPageReadLimit(std::chrono::seconds limit);
    // Waits until no browse runs (or, for WaitForAllWork, no browse or download runs); false when
    // the budget ran out first. A front-end hears this from its events instead.
    bool WaitForBrowses(std::chrono::milliseconds budget) const;
    bool WaitForAllWork(std::chrono::milliseconds budget) const;

    // What a browse thread does with a link (tests and benchmarks: lists without a server). Any
    // thread. ListFile puts the URL into the file list, AddTreePage into the site tree under the
    // page parentUrl (empty: a site); the observer hears of it. False when it was shown already
    // (or no observer listens).
    bool ListFile(const std::string& url);
    bool AddTreePage(const std::string& url, const std::string& parentUrl = {});
    // Runs work on a thread of the engine's, counted as a browse or a download worker would be
    // (tests: work in progress without a server). work returns when it is done or its token asks
    // it to stop (closing). False when the engine starts no work any more.
    bool StartCountedWork(EEngineWork kind, std::function<void(std::stop_token)> work);
    // A login question as a transfer asks it: through the observer, the calling thread waiting
    // for the answer. Cancel (the flag, Cancel Browse or Download, or the observer's removal)
    // ends it as Cancel. Not on the front-end's thread.
    CLoginAnswer AskLogin(const std::string& server, const std::string& userName,
                          const std::string& password, const std::atomic<bool>* cancel);
    CRecordState RecordState(std::string_view url) const;
    // Cancel Browse or Cancel Download was asked and still holds.
    bool BrowseCancelled() const;
    bool DownloadsCancelled() const;
    // Entries of the page and the download history.
    std::size_t PageHistoryCount() const;
    std::size_t FileHistoryCount() const;

private:
    std::unique_ptr<CTrawlerCore> m_core;
    // What SaveOptions writes while run options stand in for them.
    std::unique_ptr<COptions> m_optionsToSave;
    bool m_skipHistories = false;
};
