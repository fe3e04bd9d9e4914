#include "session/Engine.h"

#include "core/TrawlerCore.h"
#include "crawl/BrowseEngine.h"
#include "crawl/WhyLookup.h"
#include "download/DownloadWorkers.h"
#include "download/LocalName.h"
#include "net/UrlTransfers.h"
#include "platform/FileError.h"
#include "platform/UserPrompts.h"
#include "session/CommandLineInfo.h"
#include "session/SessionMessages.h"
#include "settings/DataPaths.h"
#include "settings/ModeData.h"
#include "url/Url.h"
#include "url/UrlCanonicalizer.h"

#include <curl/curl.h>

bool StartNetworkLibrary()
{
    return curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;
}

void StopNetworkLibrary()
{
    curl_global_cleanup();
}

CEngine::CEngine() : m_core(std::make_unique<CTrawlerCore>()) {}

CEngine::CEngine(std::string workDir, const std::string& logPath)
    : m_core(std::make_unique<CTrawlerCore>(std::move(workDir), logPath))
{
}

CEngine::~CEngine()
{
    m_core->CancelAllWork();
    m_core->JoinWorkers();
}

void CEngine::LoadOptions()
{
    CTrawlerCore& core = *m_core;
    if (core.m_options.Load())
        core.m_optionsAsLoaded = core.m_options.SaveToBytes();
    else
    {
        KeepDamagedFile(core.m_options.ResolvePath({}));
        core.m_optionsAsLoaded.clear();
    }
    core.PublishOptions();
}

bool CEngine::Open(const std::string& agent)
{
    if (!m_core->OpenSession(agent))
        return false;
    EnableDownloadWorkers(*m_core);
    return true;
}

void CEngine::LoadHistories()
{
    if (m_skipHistories)
        return;
    m_core->m_histories.LoadAtStartup(m_core->m_options);
}

void CEngine::SetObserver(CEngineObserver* observer)
{
    m_core->m_events.Install(observer);
}

void CEngine::SetPrompts(CUserPrompts* prompts)
{
    m_core->SetPrompts(prompts);
}

CUserPrompts& CEngine::Prompts() const
{
    return m_core->Prompts();
}

void CEngine::ReportFileError(const CFileError& error) const
{
    ::ReportFileError(m_core->Prompts(), error);
}

std::shared_ptr<const COptions> CEngine::Options() const
{
    return m_core->Options();
}

void CEngine::SetOptions(const COptions& options)
{
    m_core->m_options = options;
    m_core->PublishOptions();
}

void CEngine::SetRunOptions(const COptions& options)
{
    if (!m_optionsToSave)
        m_optionsToSave = std::make_unique<COptions>(m_core->m_options);
    SetOptions(options);
}

bool CEngine::SaveOptions(bool always)
{
    CTrawlerCore& core = *m_core;
    const COptions& options = m_optionsToSave ? *m_optionsToSave : core.m_options;
    std::string bytes = options.SaveToBytes();
    if (!always && !core.m_optionsAsLoaded.empty() && bytes == core.m_optionsAsLoaded)
        return true;
    try
    {
        options.Save();
    }
    catch (const CFileError& error)
    {
        ReportFileError(error);
        return false;
    }
    core.m_optionsAsLoaded = std::move(bytes);
    return true;
}

namespace
{

// A site given twice, once as "Host:8080" and once as "http://host:8080/", is one site with one
// node in the tree: its address is kept in its normal form.
std::string SiteAddress(const std::string& siteText)
{
    return NormalizeUrl(WithDefaultScheme(siteText));
}

} // namespace

void CEngine::BrowseSite(const std::string& siteText, std::int32_t modeIndex)
{
    std::unique_ptr<CModeData> mode;
    try
    {
        mode = GetMode(modeIndex, m_core->m_options);
    }
    catch (const CFileError& error)
    {
        // The site is shown all the same, as the user asked for it.
        m_core->m_sites.AddLocked(m_core->m_urlStore.Add(m_core->NewRecord(SiteAddress(siteText))));
        ReportFileError(error);
        return;
    }
    BrowseSite(siteText, std::move(mode));
}

void CEngine::BrowseSite(const std::string& siteText, std::unique_ptr<CModeData> mode)
{
    CTrawlerCore& core = *m_core;
    CUrlHold site = core.m_urlStore.Add(core.NewRecord(SiteAddress(siteText)));
    core.m_sites.AddLocked(site);
    StartBrowse(core, std::move(site), std::move(mode));
}

void CEngine::BrowseCommandLineSites(const CTrawlerCommandLineInfo& commandLine,
                                     const std::function<void(CModeData&)>& adjust)
{
    for (const std::string& site : commandLine.m_sites)
    {
        if (!adjust)
        {
            BrowseSite(site, commandLine.m_modeIndex);
            continue;
        }
        std::unique_ptr<CModeData> mode;
        try
        {
            mode = GetMode(commandLine.m_modeIndex, m_core->m_options);
        }
        catch (const CFileError& error)
        {
            ReportFileError(error);
            continue;
        }
        adjust(*mode);
        BrowseSite(site, std::move(mode));
    }
    if (!commandLine.m_sites.empty() && commandLine.m_terminate)
    {
        m_core->m_options.m_terminateWhenDone = true;
        m_core->PublishOptions();
    }
}

void CEngine::BrowsePage(const std::string& url, std::unique_ptr<CModeData> mode)
{
    MarkVisited(url);
    CUrlHold site = m_core->m_urlStore.Hold(url);
    if (!site)
    {
        // No record for the page (the front-end put it in): a new one goes with the browse.
        auto record = std::make_unique<CUrl>(url);
        record->SetVisited();
        site = m_core->m_urlStore.Add(std::move(record));
    }
    StartBrowse(*m_core, std::move(site), std::move(mode));
}

void CEngine::MarkVisited(const std::string& url)
{
    if (const CUrlHold record = m_core->m_urlStore.Hold(url))
        record->SetVisited();
}

std::vector<bool> CEngine::QueueListedFiles(const std::vector<std::string>& urls)
{
    std::vector<bool> queued(urls.size(), false);
    {
        // Browse threads listing files wait while the list's marks change.
        CSinkLock lock(m_core->m_foundFiles);
        for (std::size_t i = 0; i < urls.size(); ++i)
        {
            const CUrlHold record = m_core->m_urlStore.Hold(urls[i]);
            if (!record || !QueueForDownload(*m_core, record))
                continue;
            m_core->m_urlStore.Release(CHolder::FileList, urls[i]);
            queued[i] = true;
        }
    }
    if (!urls.empty())
        PostDownloadsQueued(*m_core);
    return queued;
}

bool CEngine::RetryDownloads(const std::vector<std::string>& urls)
{
    bool queued = false;
    for (const std::string& url : urls)
    {
        const CUrlHold record = m_core->m_urlStore.Add(std::make_unique<CUrl>(url));
        queued = QueueForDownload(*m_core, record) || queued;
    }
    if (queued)
        PostDownloadsQueued(*m_core);
    return queued;
}

void CEngine::ForgetListedFiles(const std::vector<std::string>& urls)
{
    CSinkLock lock(m_core->m_foundFiles);
    // A record nothing else holds goes with its mark.
    for (const std::string& url : urls)
        m_core->m_urlStore.Release(CHolder::FileList, url);
}

void CEngine::ForgetTreePages(const std::vector<std::string>& urls)
{
    CSinkLock lock(m_core->m_sites);
    for (const std::string& url : urls)
        m_core->m_urlStore.Release(CHolder::Tree, url);
}

std::string CEngine::DetermineSize(const std::string& url, const std::atomic<bool>* cancel,
                                   std::string* problem)
{
    // Held for the request, whatever the front-end does with its item meanwhile.
    const CUrlHold record = m_core->m_urlStore.Hold(url);
    if (!record)
        return {};
    std::string failure;
    if (m_core->HasSession())
        ::DetermineSize(*record, m_core->TransferContext(), cancel, &failure);
    // A file refused before is not asked again; it still has an answer.
    if (failure.empty() && !record->m_usable.load())
        failure = "The server refused the file";
    if (problem != nullptr)
        *problem = std::move(failure);
    return CFileSink::SizeText(*record);
}

void CEngine::CancelBrowse()
{
    m_core->m_cancelBrowse.store(true);
    m_core->m_events.WakePrompts();
    m_core->WakeTransferWaits();
}

void CEngine::CancelDownloads()
{
    m_core->m_cancelDownload.store(true);
    m_core->m_events.WakePrompts();
    m_core->WakeTransferWaits();
}

void CEngine::ClearPageHistory()
{
    m_core->m_histories.m_urlHistory.RemoveAll();
}

void CEngine::ClearFileHistory()
{
    m_core->m_histories.m_fileHistory.RemoveAll();
}

CEngineStats CEngine::Statistics() const
{
    const CStatistics& stats = m_core->m_stats;
    CEngineStats snapshot;
    snapshot.foundSites = stats.m_foundSites.load();
    snapshot.browsedSites = stats.m_browsedSites.load();
    snapshot.foundFiles = stats.m_foundFiles.load();
    snapshot.queuedFiles = stats.m_queuedFiles.load();
    snapshot.receivedFiles = stats.m_receivedFiles.load();
    snapshot.receivedBytes = stats.m_receivedBytes.load();
    snapshot.retries = stats.m_retries.load();
    snapshot.siteWaits = stats.m_siteWaits.load();
    snapshot.runningBrowses = m_core->RunningBrowses();
    snapshot.runningDownloads = m_core->RunningDownloads();
    snapshot.allocatedUrls = m_core->m_urlStore.AllocatedUrls();
    snapshot.robotsDisallowed = stats.m_robotsDisallowed.load();
    return snapshot;
}

std::uint32_t CEngine::RunningBrowses() const
{
    return m_core->RunningBrowses();
}

std::uint32_t CEngine::RunningDownloads() const
{
    return m_core->RunningDownloads();
}

std::uint32_t CEngine::PendingDownloads()
{
    return m_core->PendingDownloads();
}

bool CEngine::IsWorkDone() const
{
    return m_core->Options()->m_terminateWhenDone && m_core->AllWorkDone();
}

bool CEngine::WorkersRunning() const
{
    return m_core->m_threads.AnyThreadRunning();
}

CListedFile CEngine::ListedFile(std::string_view url) const
{
    CListedFile file;
    if (const CUrlHold record = m_core->m_urlStore.Hold(url))
    {
        if (record->m_sizeState.load() == kSizeKnown)
            file.size = record->m_size.load();
        file.foundOn = record->Referer();
    }
    return file;
}

std::string CEngine::WhyAnswer(std::string_view url) const
{
    return ::WhyAnswer(*m_core, url);
}

std::vector<std::string> CEngine::UrlsMet() const
{
    return ::UrlsMet(*m_core);
}

std::optional<CLinkExplanation> CEngine::Explain(std::string_view url) const
{
    return ExplainLink(*m_core, url);
}

std::vector<CLinkExplanation> CEngine::ExplainAll() const
{
    return ::ExplainAll(*m_core);
}

std::vector<CUnreadPage> CEngine::UnreadStartPages() const
{
    std::vector<CUnreadPage> pages;
    for (const CTrawlerCore::CUnreadPage& page : m_core->UnreadStartPages())
        pages.push_back({page.url, page.problem});
    return pages;
}

std::uint32_t CEngine::FailedDownloads() const
{
    return m_core->m_failedDownloads.load();
}

const CTransferContext* CEngine::TransferContext() const
{
    return m_core->HasSession() ? &m_core->TransferContext() : nullptr;
}

void CEngine::CancelAllWork()
{
    m_core->CancelAllWork();
}

void CEngine::JoinAllWork()
{
    m_core->JoinWorkers();
}

bool CEngine::EndSession()
{
    CTrawlerCore& core = *m_core;
    core.CloseSession();
    if (m_skipHistories)
        return true;
    std::vector<std::string> errors;
    const bool saved = core.m_histories.SaveAtShutdown(core.m_options, &errors);
    for (const std::string& error : errors)
        core.Prompts().ShowMessageAs(CUserPrompts::EKind::Error, kAppName, error);
    return saved;
}

void CEngine::SetCrawlBounds(const CCrawlBounds& bounds)
{
    m_core->SetCrawlBounds(bounds);
}

void CEngine::SetPageReadLimit(std::chrono::seconds limit)
{
    m_core->SetPageReadLimit(limit);
}

bool CEngine::WaitForBrowses(std::chrono::milliseconds budget) const
{
    return m_core->m_threads.WaitForThreads(CWorkerThreads::EKind::Browse, budget);
}

bool CEngine::WaitForAllWork(std::chrono::milliseconds budget) const
{
    return m_core->m_threads.WaitForThreads(budget);
}

std::string CEngine::DownloadFolder() const
{
    return DownloadDirectoryPrefix(m_core->Options()->m_downloadDir);
}

bool CEngine::ListFile(const std::string& url)
{
    return m_core->m_foundFiles.AddLocked(m_core->m_urlStore.Add(m_core->NewRecord(url)));
}

bool CEngine::AddTreePage(const std::string& url, const std::string& parentUrl)
{
    return m_core->m_sites.AddLocked(m_core->m_urlStore.Add(m_core->NewRecord(url)), parentUrl);
}

bool CEngine::StartCountedWork(EEngineWork kind, std::function<void(std::stop_token)> work)
{
    return m_core->m_threads.Start(kind == EEngineWork::Browse ? CWorkerThreads::EKind::Browse
                                                               : CWorkerThreads::EKind::Download,
                                   std::move(work));
}

CLoginAnswer CEngine::AskLogin(const std::string& server, const std::string& userName,
                               const std::string& password, const std::atomic<bool>* cancel)
{
    return m_core->m_events.AskLogin(std::make_shared<CLoginRequest>(server, userName, password),
                                     cancel);
}

CRecordState CEngine::RecordState(std::string_view url) const
{
    CRecordState state;
    const CUrlHold record = m_core->m_urlStore.Hold(url);
    if (!record)
        return state;
    state.known = true;
    state.inTree = m_core->m_urlStore.IsInTree(url);
    state.inFileList = m_core->m_urlStore.IsInFileList(url);
    state.visited = record->IsVisited();
    state.usable = record->m_usable;
    return state;
}

bool CEngine::BrowseCancelled() const
{
    return m_core->m_cancelBrowse.load();
}

bool CEngine::DownloadsCancelled() const
{
    return m_core->m_cancelDownload.load();
}

std::size_t CEngine::PageHistoryCount() const
{
    return m_core->m_histories.m_urlHistory.GetCount();
}

std::size_t CEngine::FileHistoryCount() const
{
    return m_core->m_histories.m_fileHistory.GetCount();
}
