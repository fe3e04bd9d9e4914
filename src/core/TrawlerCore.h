#pragma once

#include "core/CrawlBounds.h"
#include "core/FileSink.h"
#include "core/SitePacing.h"
#include "core/SiteRobots.h"
#include "core/SiteSink.h"
#include "core/UrlQueue.h"
#include "core/UrlStore.h"
#include "core/WorkerThreads.h"
#include "net/ConnectionCache.h"
#include "net/SiteFailures.h"
#include "net/TransferContext.h"
#include "platform/EventPoster.h"
#include "platform/Statistics.h"
#include "platform/UserPrompts.h"
#include "settings/Histories.h"
#include "settings/LogFile.h"
#include "settings/Options.h"
#include "url/DecisionJournal.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CInternetSession;

// Answers every prompt without a user: messages go to standard error, logins are cancelled and
// nothing is opened. The prompts of a core that no GUI has taken over yet.
class CUnattendedPrompts : public CUserPrompts
{
public:
    void ShowMessage(const std::string& caption, const std::string& text) override;
    bool AskLogin(const std::string& server, std::string& userName, std::string& password) override;
    bool OpenWithShell(const std::string& urlOrFile) override;
};

// The state that the windows and every worker share: the stores and sinks, the histories, the
// statistics, the log, the Internet session, the options, the cancel flags, the download queue
// and the threads of the browses and downloads. One instance lives as long as the application;
// every thread reaches the shared state through it, and tells the front-end only through
// m_events.
class CTrawlerCore
{
public:
    // Records the current directory as the working directory and opens the log "hvstr.log" in
    // the current directory.
    CTrawlerCore();
    // Uses workDir as the working directory and logPath for the log (tests).
    CTrawlerCore(std::string workDir, const std::string& logPath);
    virtual ~CTrawlerCore();

    CTrawlerCore(const CTrawlerCore&) = delete;
    CTrawlerCore& operator=(const CTrawlerCore&) = delete;

    // Creates the Internet session with the agent string; false when libcurl cannot start.
    // Call before any worker runs.
    bool OpenSession(const std::string& agent);
    void CloseSession();
    bool HasSession() const { return m_session != nullptr; }

    // A record for the URL text, marked visited when the page history holds that exact text.
    std::unique_ptr<CUrl> NewRecord(std::string urlText) const;

    // Files waiting for or in download; also stores the sum as the "queued files" statistic.
    std::uint32_t PendingDownloads();

    // Workers read the options through snapshots: the user-interface thread edits m_options in
    // place (the options sheet, the window layout) and then publishes it, so a worker never
    // reads a text while it changes.
    std::shared_ptr<const COptions> Options() const;
    // User-interface thread: makes the current m_options what Options() returns.
    void PublishOptions();

    // What transfers need, in one piece. Valid once the session is open.
    const CTransferContext& TransferContext() const { return *m_transferContext; }

    // Installs the front-end's prompts (or, with nullptr, the unattended ones), for what its own
    // thread asks; engine threads post events instead.
    void SetPrompts(CUserPrompts* prompts);
    // A start page whose read failed, and why: the command-line tool says so on standard error.
    void NoteUnreadStartPage(const std::string& url, const std::string& problem);
    struct CUnreadPage
    {
        std::string url;
        std::string problem;
    };
    std::vector<CUnreadPage> UnreadStartPages() const;

    // How long a page read may take (kPageReadLimit unless set). Before workers run.
    void SetPageReadLimit(std::chrono::seconds limit);
    CUserPrompts& Prompts() const { return *m_prompts; }

    // What a crawl may hold: CCrawlBounds' defaults unless set (tests set small ones). Before
    // workers run.
    void SetCrawlBounds(const CCrawlBounds& bounds);
    const CCrawlBounds& CrawlBounds() const { return m_crawlBounds; }
    // Says once, in the log and to the front-end, that the crawl stopped at bound. Any thread.
    void ReportCrawlBound(std::size_t bound);
    // A crawl that starts while no browse runs may say it again.
    void RearmCrawlBoundReport() { m_crawlBoundReported.store(false); }

    // Browses started and not yet ended, and download workers running: statistics.
    std::uint32_t RunningBrowses() const
    {
        return m_threads.Working(CWorkerThreads::EKind::Browse);
    }
    std::uint32_t RunningDownloads() const
    {
        return m_threads.Working(CWorkerThreads::EKind::Download);
    }
    // No browse runs, no worker runs and nothing waits in the download queue.
    bool AllWorkDone() const { return m_threads.AllWorkDone(); }

    // How queued files get workers: the download layer installs it (before workers run), and
    // anything that queues files calls DownloadsQueued. Without one, queued files wait.
    void SetDownloadStarter(std::function<void()> starter)
    {
        m_downloadStarter = std::move(starter);
    }
    void DownloadsQueued() const
    {
        if (m_downloadStarter)
            m_downloadStarter();
    }

    // The start of closing: no thread starts any more, every browse and download is cancelled.
    void CancelAllWork();
    // Call after setting a cancel flag: requests waiting for a site's limits or for bandwidth
    // look at their flags at once.
    void WakeTransferWaits();
    // Waits for every browse thread and download worker to end and joins them.
    void JoinWorkers();

    // The store comes first: the sinks refer to it, and it outlives them.
    CUrlStore m_urlStore;
    // Before the sinks, which tell the front-end through it.
    CEventPoster m_events;
    CFileSink m_foundFiles{m_urlStore, m_events};
    CSiteSink m_sites{m_urlStore, m_events};
    CHistories m_histories;
    CStatistics m_stats;
    CLogFile m_log;
    // Edited by the user-interface thread only; workers use Options().
    COptions m_options;
    // The options' bytes as loaded or last saved (empty when no usable file was found): a run
    // writes the options only when they differ.
    std::string m_optionsAsLoaded;
    std::atomic<bool> m_cancelBrowse{false};
    std::atomic<bool> m_cancelDownload{false};

    // The decisions on links whose records are gone; the records keep their own.
    CDecisionJournal m_letGoDecisions;
    CUrlQueue m_downloadQueue;
    // Files a worker took from the queue and has not finished: with the queue, what waits for
    // or is in download (a worker between files is not a file).
    std::atomic<std::uint32_t> m_filesInDownload{0};
    CConnectionCache m_connections;
    // Sites whose requests failed in a row this run; transfers give such a site up.
    CSiteFailures m_siteFailures;
    // Each site's robots.txt, read once a run, and the Crawl-delay its page reads keep to.
    CSiteRobots m_robots;
    CSitePacing m_pacing;
    // Link records made by all browse threads; every fifth posts a progress tick.
    std::atomic<std::uint32_t> m_linkCounter{0};
    // Start pages whose read failed, and downloads that failed (not skipped, not cancelled):
    // the command-line tool's exit status reports them.
    std::atomic<std::uint32_t> m_unreadStartPages{0};
    std::atomic<std::uint32_t> m_failedDownloads{0};
    // Browse threads and download workers: owned, joined, and counted as work. Declared after
    // the download queue, which says whether all work is done.
    CWorkerThreads m_threads{[this] { return m_downloadQueue.Count() == 0; }};

private:
    void RebuildTransferContext();

    std::unique_ptr<CInternetSession> m_session;
    CUnattendedPrompts m_unattendedPrompts;
    CUserPrompts* m_prompts = &m_unattendedPrompts;
    std::unique_ptr<CTransferContext> m_transferContext;
    std::chrono::seconds m_pageReadLimit = kPageReadLimit;
    CCrawlBounds m_crawlBounds;
    std::atomic<bool> m_crawlBoundReported{false};
    mutable std::mutex m_optionsMutex;
    mutable std::mutex m_unreadMutex;
    std::vector<CUnreadPage> m_unreadPages;
    std::shared_ptr<const COptions> m_publishedOptions;
    std::function<void()> m_downloadStarter;
};
