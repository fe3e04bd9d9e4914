// The engine's events and the window's own messages, on the user-interface thread.
#include "app/ActivityBar.h"
#include "app/DownloadsView.h"
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
    {
        if (!finished->summary.empty())
            ShowStatusText(finished->summary);
    }
    else if (const auto* browses = std::get_if<CRunningBrowsesEvent>(&event))
        OnRunningBrowses(browses->count);
    else if (std::holds_alternative<CDownloadsChangedEvent>(event))
        OnDownloadsChanged();
    else if (const auto* page = std::get_if<CPageStateEvent>(&event))
        OnPageState(*page);
    else if (const auto* step = std::get_if<CProgressStepEvent>(&event))
        m_activityBar->Step(ToInt(step->steps));
    else if (const auto* download = std::get_if<CDownloadStateEvent>(&event))
    {
        m_downloadsView->Apply(download->state, download->report);
        // The count read at the last change may have caught a file between the queue and its
        // worker; each state a file reaches reads it again.
        OnDownloadsChanged();
    }
    else if (const auto* message = std::get_if<CShowMessageEvent>(&event))
        m_engine.Prompts().ShowMessageAs(message->kind, message->caption, message->text);
    else if (const auto* prompt = std::get_if<CLoginPromptEvent>(&event))
        OnLoginPrompt(*prompt->request);
    else if (std::holds_alternative<CWorkDoneEvent>(event))
        close();
}

void CMainFrame::DeliverPendingMessages()
{
    m_messages->Drain();
}

void CMainFrame::ShowStatusText(const std::string& text)
{
    m_statusPanes[0]->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    UpdateCounters();
}

void CMainFrame::OnRunningBrowses(std::int32_t count)
{
    m_runningCrawls = count;
    if (count == 0)
        m_activityBar->Clear();
    UpdateCounters();
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
}

void CMainFrame::OnLoginPrompt(CLoginRequest& request)
{
    // The worker waits meanwhile; once it was cancelled, a late answer is ignored.
    std::string userName = request.UserName();
    std::string password = request.Password();
    const bool ok = m_engine.Prompts().AskLogin(request.Server(), userName, password);
    request.Answer(ok, std::move(userName), std::move(password));
}

void CMainFrame::OnStatsClosed()
{
    if (m_pStatsDlg == nullptr)
        return;
    m_pStatsDlg->deleteLater();
    m_pStatsDlg = nullptr;
}
