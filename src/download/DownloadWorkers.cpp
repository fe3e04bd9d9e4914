#include "download/DownloadWorkers.h"

#include "core/TrawlerCore.h"
#include "download/LocalName.h"
#include "net/Transfer.h"
#include "net/TransferProgress.h"
#include "net/UrlTransfers.h"
#include "platform/EventPoster.h"
#include "platform/FileTime.h"
#include "url/Url.h"

#include <algorithm>
#include <chrono>
#include <stop_token>
#include <string>

namespace
{

// Ticks of 100 ns from 1601-01-01 to 1970-01-01.
constexpr std::uint64_t kUnixEpochFileTime = 116444736000000000ULL;

// Counts a progress step per block received and posts the steps in one message at most every
// 64 blocks or 50 ms, and at the end of the download. The file's own row hears of its bytes at
// most every kReportInterval.
class CWorkerProgress : public CTransferProgress
{
public:
    explicit CWorkerProgress(CEventPoster& events) : m_events(events) {}
    // The file whose bytes are reported next.
    void StartFile(const std::string& url, const std::string& path)
    {
        m_report = CDownloadReport{url, path, {}, 0, -1};
        m_lastReport = {};
        Report();
    }
    void OnBegin(std::int64_t expected) override { m_report.total = expected; }
    void OnProgress(std::uint64_t received) override
    {
        ++m_steps;
        m_report.received = received;
        const auto now = std::chrono::steady_clock::now();
        if (m_steps >= kStepsPerPost || now - m_lastPost >= kPostInterval)
        {
            Flush();
            m_lastPost = now;
        }
        if (now - m_lastReport >= kReportInterval)
        {
            Report();
            m_lastReport = now;
        }
    }
    void OnEnd(bool) override { Flush(); }
    // The row says how long the file waits, and why; the next report of its bytes clears it.
    void OnRetryWait(std::int64_t seconds, const std::string& reason) override
    {
        CDownloadReport waiting = m_report;
        waiting.retryInSeconds = std::max<std::int64_t>(seconds, 1);
        waiting.reason = reason;
        m_events.Post(CDownloadStateEvent{DOWNLOAD_RUNNING, std::move(waiting)});
        m_lastReport = {};
    }
    // The report that ends the file's row: its state, the reason and where it is.
    void EndFile(std::int64_t state, std::string reason, std::string path)
    {
        m_report.reason = std::move(reason);
        if (!path.empty())
            m_report.path = std::move(path);
        m_events.Post(CDownloadStateEvent{state, m_report});
    }

private:
    static constexpr std::int64_t kStepsPerPost = 64;
    static constexpr std::chrono::milliseconds kPostInterval{50};
    static constexpr std::chrono::milliseconds kReportInterval{250};

    void Flush()
    {
        if (m_steps > 0)
            m_events.Post(CProgressStepEvent{m_steps});
        m_steps = 0;
    }
    void Report() { m_events.Post(CDownloadStateEvent{DOWNLOAD_RUNNING, m_report}); }

    CEventPoster& m_events;
    std::int64_t m_steps = 0;
    // The first block is shown at once.
    std::chrono::steady_clock::time_point m_lastPost{};
    std::chrono::steady_clock::time_point m_lastReport{};
    CDownloadReport m_report;
};

void PostState(CEventPoster& events, std::int64_t state, const std::string& url,
               std::string reason = {})
{
    events.Post(CDownloadStateEvent{state, CDownloadReport{url, {}, std::move(reason)}});
}

// The download history keeps the time of the download, in UTC.
CCalendarTime UtcNow()
{
    const auto sinceEpoch = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    const std::uint64_t fileTime =
        kUnixEpochFileTime + static_cast<std::uint64_t>(sinceEpoch.count()) * 10000;
    CCalendarTime time;
    FileTimeToCalendarTime(fileTime, time);
    return time;
}

std::uint32_t MaxWorkers(const COptions& options)
{
    return options.m_downloadThreads > 0 ? static_cast<std::uint32_t>(options.m_downloadThreads)
                                         : 0;
}

// Why the known size is outside the limits (logged), or null. Sizes compare in whole KiB.
const char* BreaksSizeLimits(const CUrl& record, const COptions& options, CLogFile& log)
{
    if (record.m_sizeState.load() != kSizeKnown)
        return nullptr;
    const std::uint64_t kib = record.m_size.load() / 1024;
    const char* reason = nullptr;
    if (kib < MinSizeK(options))
        reason = "Too Small!";
    else if (kib > MaxSizeK(options))
        reason = "Too Large!";
    if (reason != nullptr)
        log.Write("Skipped %s: %s\n", record.m_url.c_str(), reason);
    return reason;
}

std::int64_t StateOf(EDownloadEnd end)
{
    switch (end)
    {
    case EDownloadEnd::Done:
        return DOWNLOAD_DONE;
    case EDownloadEnd::Skipped:
        return DOWNLOAD_SKIPPED;
    case EDownloadEnd::Cancelled:
        return DOWNLOAD_CANCELLED;
    case EDownloadEnd::Failed:
        break;
    }
    return DOWNLOAD_FAILED;
}

// One popped file, from its name to the release of the worker's hold.
void ServeFile(CTrawlerCore& core, CUrlHold hold, CWorkerProgress& progress)
{
    CUrl& record = *hold;
    const std::string url = record.m_url;

    if (core.m_cancelDownload.load())
    {
        core.m_foundFiles.AddLocked(hold);
        hold.Reset();
        PostState(core.m_events, DOWNLOAD_RETURNED, url);
        return;
    }

    // A snapshot per file: options changed meanwhile apply to the next file.
    const std::shared_ptr<const COptions> options = core.Options();
    const CTransferContext& context = core.TransferContext();
    // The name is settled once the answer's headers are in: they may give it.
    if (!PrepareDownloadDirectory(*options, context))
    {
        core.m_log.Write("Skipped %s: Filename collision!\n", url.c_str());
        hold.Reset();
        PostState(core.m_events, DOWNLOAD_SKIPPED, url, "Filename collision!");
        return;
    }
    const std::string directory = DownloadDirectoryPrefix(options->m_downloadDir);
    progress.StartFile(url, {});

    if (options->m_checkLength == kCheckLengthWhenDownloaded &&
        record.m_sizeState.load() == kSizeNotAsked)
    {
        // A failed query leaves the record unusable, so the download below fails at once.
        std::string problem;
        DetermineSize(record, context, &core.m_cancelDownload, &problem);
        if (const char* reason = BreaksSizeLimits(record, *options, core.m_log))
        {
            hold.Reset();
            progress.EndFile(DOWNLOAD_SKIPPED, reason, {});
            return;
        }
        if (!record.m_usable && !problem.empty())
        {
            core.m_failedDownloads.fetch_add(1);
            hold.Reset();
            progress.EndFile(DOWNLOAD_FAILED, problem, {});
            return;
        }
    }

    CDownloadOutcome outcome;
    CDownloadRules rules;
    rules.outcome = &outcome;
    if (options->m_checkLength != kCheckLengthNever)
        rules.maxSizeK = MaxSizeK(*options);
    CSaveName name;
    rules.name = [&](const CResponseFacts& facts, std::string& chosen)
    {
        name = SaveNameOf(record, facts.dispositionName);
        if (!MakeLocalName(record, *options, context, chosen, &name))
        {
            core.m_log.Write("Skipped %s: Filename collision!\n", url.c_str());
            return false;
        }
        progress.StartFile(url, chosen);
        return true;
    };
    rules.place = [&](const std::string& partPath, std::string& finalPath)
    {
        const int placed = PlaceLocalFile(record, *options, name, partPath, finalPath);
        if (placed == kKeptOldFile)
            core.m_log.Write("Skipped %s: Filename collision!\n", url.c_str());
        return placed;
    };
    if (!DownloadTo(record, context, progress, directory, rules))
    {
        if (outcome.end == EDownloadEnd::Failed)
            core.m_failedDownloads.fetch_add(1);
        hold.Reset();
        progress.EndFile(StateOf(outcome.end), outcome.reason, {});
        return;
    }
    const std::string localName(record.LocalFileName());
    core.m_events.Post(CStatusTextEvent{"Downloaded " + url + "\n"});
    core.m_log.Write("Downloaded %s as %s\n", url.c_str(), localName.c_str());
    core.m_histories.m_fileHistory.Add(url, UtcNow());
    hold.Reset();
    core.m_stats.m_receivedFiles.fetch_add(1);
    progress.EndFile(DOWNLOAD_DONE, {}, localName);
}

void RunWorker(CTrawlerCore& core, std::stop_token stop)
{
    // Closing the engine cancels the downloads as "Cancel Download" does.
    const std::stop_callback cancelOnStop(stop,
                                          [&core]
                                          {
                                              core.m_cancelDownload.store(true);
                                              core.WakeTransferWaits();
                                          });
    CWorkerProgress progress(core.m_events);
    CWorkerThreads::CEnd end;
    do
    {
        CUrlHold record;
        while (core.m_downloadQueue.Pop(record))
        {
            core.m_filesInDownload.fetch_add(1);
            ServeFile(core, std::move(record), progress);
            core.m_filesInDownload.fetch_sub(1);
            core.m_events.Post(CDownloadsChangedEvent{});
        }
        // Decided under the lock that starting workers takes: a file queued after the last Pop
        // either keeps this worker or finds its place free for a new one.
        end = core.m_threads.EndWork(
            [&core]
            {
                return core.m_downloadQueue.Count() != 0 &&
                       core.RunningDownloads() <= MaxWorkers(*core.Options());
            });
    } while (!end.ended);

    if (end.left == 0)
        core.m_cancelDownload.store(false);
    core.m_events.Post(CDownloadsChangedEvent{});
    if (end.allDone && core.Options()->m_terminateWhenDone)
        core.m_events.Post(CWorkDoneEvent{});
}

} // namespace

std::uint32_t StartDownloadWorkers(CTrawlerCore& core)
{
    if (!core.HasSession())
        return 0;
    const std::uint32_t maximum = MaxWorkers(*core.Options());
    // No more workers than files: one that finds the queue empty would only start and end.
    const std::size_t queued = core.m_downloadQueue.Count();
    std::uint32_t started = 0;
    while (started < queued &&
           core.m_threads.Start(
               CWorkerThreads::EKind::Download,
               [&core](std::stop_token stop) { RunWorker(core, std::move(stop)); }, maximum))
        ++started;
    return started;
}

void EnableDownloadWorkers(CTrawlerCore& core)
{
    core.SetDownloadStarter([&core] { StartDownloadWorkers(core); });
}

bool QueueForDownload(CTrawlerCore& core, const CUrlHold& hold)
{
    if (!hold)
        return false;
    // Reported before a worker can pop it and report on it. A file queued already keeps its
    // row.
    const std::string url = hold->m_url;
    PostState(core.m_events, DOWNLOAD_QUEUED, url);
    return core.m_downloadQueue.Add(core.m_urlStore.Hold(url));
}

void PostDownloadsQueued(CTrawlerCore& core)
{
    StartDownloadWorkers(core);
    core.m_events.Post(CDownloadsChangedEvent{});
}

bool WaitForDownloadWorkers(CTrawlerCore& core, std::chrono::milliseconds timeout)
{
    return core.m_threads.WaitForThreads(timeout);
}
