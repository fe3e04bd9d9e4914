// The engine's events and the window's own messages, on the user-interface thread.
#include "app/ActivityBar.h"
#include "app/AppMessages.h"
#include "app/DownloadsView.h"
#include "app/ElidedLabel.h"
#include "app/FrameMessageQueue.h"
#include "app/MainFrame.h"
#include "app/StatsDlg.h"
#include "app/TrawlerDoc.h"
#include "app/UrlList.h"
#include "platform/LoginRequest.h"
#include "platform/UserPrompts.h"
#include "session/Engine.h"
#include "url/Url.h"

#include <QLabel>
#include <algorithm>
#include <limits>
#include <string>
#include <variant>

namespace
{

int ToInt(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

} // namespace

void CMainFrame::HandleMessage(CFrameMessage& message)
{
    if (auto* event = std::get_if<CEngineEvent>(&message))
    {
        HandleEvent(*event);
    }
    else if (std::get<CWindowMessage>(message).message == WM_STATS_CLOSED)
        OnStatsClosed();
    RequestCommandUpdate();
}

void CMainFrame::HandleEvent(CEngineEvent& event)
{
    if (const auto* text = std::get_if<CStatusTextEvent>(&event))
        ShowStatusText(text->text);
    else if (const auto* stopped = std::get_if<CCrawlStoppedEvent>(&event))
        ShowStatusText(stopped->text);
    else if (const auto* finished = std::get_if<CBrowseFinishedEvent>(&event))
        OnBrowseFinished(*finished);
    else if (const auto* browses = std::get_if<CRunningBrowsesEvent>(&event))
        OnRunningBrowses(browses->count);
    else if (std::holds_alternative<CDownloadsChangedEvent>(event))
        OnDownloadsChanged();
    else if (const auto* page = std::get_if<CPageStateEvent>(&event))
        OnPageState(*page);
    else if (const auto* step = std::get_if<CProgressStepEvent>(&event))
        m_activityBar->Step(ToInt(step->steps));
    else if (const auto* download = std::get_if<CDownloadStateEvent>(&event))
        m_downloadsView->Apply(download->state, download->report);
    else if (const auto* message = std::get_if<CShowMessageEvent>(&event))
        m_engine.Prompts().ShowMessageAs(message->kind, message->caption, message->text);
    else if (const auto* prompt = std::get_if<CLoginPromptEvent>(&event))
        OnLoginPrompt(*prompt->request);
    else if (std::holds_alternative<CWorkDoneEvent>(event))
        CloseWithoutAsking();
}

void CMainFrame::DeliverPendingMessages()
{
    m_messages->Drain();
}

void CMainFrame::ShowStatusText(const std::string& text)
{
    m_statusPanes[0]->SetFullText(
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    UpdateCounters();
}

void CMainFrame::OnRunningBrowses(std::int32_t count)
{
    m_runningCrawls = count;
    if (count == 0)
        m_activityBar->Clear();
    UpdateCounters();
    UpdateTitle();
}

void CMainFrame::OnDownloadsChanged()
{
    const std::uint32_t pending = m_engine.PendingDownloads();
    m_pendingDownloads = pending;
    if (pending == 0)
        m_activityBar->Clear();
    UpdateCounters();
}

void CMainFrame::OnPageState(const CPageStateEvent& page)
{
    if (page.pageKind == kPageKindPage)
        m_pSiteView->SetPageImage(page.url, page.image);
    if (page.image != kPageImageReading)
        return;
    // The status bar names the page being read; the title its site.
    ShowStatusText("Reading " + page.url);
    const CUrl record(page.url);
    m_titleSite = QString::fromStdString(std::string(record.Host()));
    UpdateTitle();
}

void CMainFrame::OnBrowseFinished(const CBrowseFinishedEvent& finished)
{
    if (!finished.summary.empty())
        ShowStatusText(finished.summary);
    // A start page that could not be read is drawn as failed, whatever else drew it.
    if (!finished.problem.empty())
        m_pSiteView->SetPageImage(finished.siteUrl, CUrlList::kImageFailed);
    UpdateTitle();
}

void CMainFrame::UpdateTitle()
{
    const QString app = QString::fromUtf8(kAppName);
    if (m_titleSite.isEmpty())
    {
        setWindowTitle(app);
        return;
    }
    const CEngineStats stats = m_engine.Statistics();
    const auto counted = [](std::uint32_t count, const char* one, const char* many)
    { return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many)); };
    QString progress = counted(stats.browsedSites, "page", "pages") + QStringLiteral(", ") +
                       counted(stats.foundFiles, "file", "files");
    if (m_runningCrawls > 0)
        progress.prepend(QStringLiteral("reading, "));
    setWindowTitle(QStringLiteral("%1 (%2) - %3").arg(m_titleSite, progress, app));
}

void CMainFrame::OnLoginPrompt(CLoginRequest& request)
{
    // The worker waits meanwhile; once it was cancelled, a late answer is ignored.
    std::string userName = request.UserName();
    std::string password = request.Password();
    const bool ok = m_engine.Prompts().AskLoginWhile(request.Server(), userName, password,
                                                     [&request] { return !request.Settled(); });
    request.Answer(ok, std::move(userName), std::move(password));
}

void CMainFrame::OnStatsClosed()
{
    if (m_pStatsDlg == nullptr)
        return;
    m_pStatsDlg->deleteLater();
    m_pStatsDlg = nullptr;
}
