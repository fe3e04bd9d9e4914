#include "core/TrawlerCore.h"

#include "net/InternetSession.h"

#include <cstdio>

void CUnattendedPrompts::ShowMessage(const std::string& caption, const std::string& text)
{
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

bool CUnattendedPrompts::AskLogin(const std::string&, std::string&, std::string&)
{
    return false;
}

bool CUnattendedPrompts::OpenWithShell(const std::string&)
{
    return false;
}

CTrawlerCore::CTrawlerCore() : m_log(kLogFileName)
{
    SetCrawlBounds(CCrawlBounds{});
    PublishOptions();
    m_urlStore.KeepDecisionsIn(&m_letGoDecisions);
}

CTrawlerCore::CTrawlerCore(std::string workDir, const std::string& logPath)
    : m_log(logPath), m_options(std::move(workDir))
{
    SetCrawlBounds(CCrawlBounds{});
    PublishOptions();
    m_urlStore.KeepDecisionsIn(&m_letGoDecisions);
}

CTrawlerCore::~CTrawlerCore()
{
    // Workers stop at their next check; the ones still running must not outlive what they use.
    CancelAllWork();
    JoinWorkers();
    m_transferContext.reset();
    m_session.reset();
    // The journal goes before the sinks that still release records.
    m_urlStore.KeepDecisionsIn(nullptr);
}

bool CTrawlerCore::OpenSession(const std::string& agent)
{
    auto session = std::make_unique<CInternetSession>(agent);
    if (!session->IsOpen())
        return false;
    m_session = std::move(session);
    RebuildTransferContext();
    return true;
}

void CTrawlerCore::CloseSession()
{
    m_transferContext.reset();
    m_session.reset();
}

std::unique_ptr<CUrl> CTrawlerCore::NewRecord(std::string urlText) const
{
    auto record = std::make_unique<CUrl>(std::move(urlText));
    if (m_histories.m_urlHistory.Contains(record->m_url))
        record->SetVisited();
    return record;
}

std::uint32_t CTrawlerCore::PendingDownloads()
{
    const auto pending =
        static_cast<std::uint32_t>(m_downloadQueue.Count()) + m_filesInDownload.load();
    m_stats.m_queuedFiles.store(pending);
    return pending;
}

void CTrawlerCore::CancelAllWork()
{
    m_cancelDownload.store(true);
    m_cancelBrowse.store(true);
    m_threads.Close();
    m_events.WakePrompts();
    WakeTransferWaits();
}

void CTrawlerCore::WakeTransferWaits()
{
    if (m_session)
        m_session->WakeWaits();
    m_pacing.Wake();
}

void CTrawlerCore::JoinWorkers()
{
    m_threads.JoinAll();
}

std::shared_ptr<const COptions> CTrawlerCore::Options() const
{
    std::lock_guard lock(m_optionsMutex);
    return m_publishedOptions;
}

void CTrawlerCore::PublishOptions()
{
    auto snapshot = std::make_shared<const COptions>(m_options);
    std::lock_guard lock(m_optionsMutex);
    m_publishedOptions = std::move(snapshot);
}

void CTrawlerCore::SetPrompts(CUserPrompts* prompts)
{
    m_prompts = prompts != nullptr ? prompts : &m_unattendedPrompts;
}

void CTrawlerCore::SetPageReadLimit(std::chrono::seconds limit)
{
    m_pageReadLimit = limit;
    if (m_session)
        RebuildTransferContext();
}

void CTrawlerCore::SetCrawlBounds(const CCrawlBounds& bounds)
{
    m_crawlBounds = bounds;
    m_foundFiles.SetLimit(bounds.maxFoundFiles);
}

void CTrawlerCore::ReportCrawlBound(std::size_t bound)
{
    if (m_crawlBoundReported.exchange(true))
        return;
    const std::string text = CrawlBoundMessage(bound);
    m_log.Write("%s\n", text.c_str());
    m_events.Post(CCrawlStoppedEvent{text});
}

void CTrawlerCore::RebuildTransferContext()
{
    m_transferContext.reset(new CTransferContext{*m_session, m_connections, m_options, m_log,
                                                 m_stats, m_events, m_cancelBrowse,
                                                 m_cancelDownload});
    m_transferContext->pageReadLimit = m_pageReadLimit;
    // Workers must not read the options while the window edits them.
    m_transferContext->publishedOptions = [this] { return Options(); };
    m_transferContext->siteFailures = &m_siteFailures;
}

void CTrawlerCore::NoteUnreadStartPage(const std::string& url, const std::string& problem)
{
    m_unreadStartPages.fetch_add(1);
    std::lock_guard lock(m_unreadMutex);
    m_unreadPages.push_back({url, problem});
}

std::vector<CTrawlerCore::CUnreadPage> CTrawlerCore::UnreadStartPages() const
{
    std::lock_guard lock(m_unreadMutex);
    return m_unreadPages;
}
