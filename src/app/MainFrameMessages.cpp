// The messages that workers post to the main window.
#include "app/ActivityBar.h"
#include "app/DownloadsView.h"
#include "app/FrameMessageQueue.h"
#include "app/MainFrame.h"
#include "app/StatsDlg.h"
#include "app/TrawlerDoc.h"
#include "app/UrlList.h"
#include "core/TrawlerCore.h"
#include "session/SessionSteps.h"
#include "url/Url.h"

#include <QLabel>
#include <algorithm>
#include <limits>

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
    ServeCoreMessage(m_core, message, m_closing);
    switch (message.message)
    {
    case WM_SET_STATUS:
        OnSetStatus(message.wParam, message.payload);
        break;
    case WM_SITE_IMAGE:
        OnSiteImage(message.wParam, message.payload);
        break;
    case WM_PROGRESS_STEP:
        m_activityBar->Step(ToInt(message.wParam));
        break;
    case WM_STATS_CLOSED:
        OnStatsClosed();
        break;
    case WM_DOWNLOAD_STATE:
        if (message.payload.download)
            m_downloadsView->Apply(message.wParam, *message.payload.download);
        break;
    case WM_CLOSE_PROGRAM:
        close();
        break;
    default:
        break;
    }
    RequestCommandUpdate();
}

void CMainFrame::DeliverPendingMessages()
{
    m_messages->Drain();
}

void CMainFrame::OnSetStatus(std::int64_t kind, const CFramePayload& payload)
{
    if (kind == STATUS_TEXT || kind == STATUS_STOPPED)
    {
        m_statusPanes[0]->setText(
            QString::fromUtf8(payload.text.data(), static_cast<qsizetype>(payload.text.size())));
    }
    else if (kind == STATUS_BROWSERS)
    {
        const int count = ToInt(payload.value);
        m_runningCrawls = count;
        if (count == 0)
            m_activityBar->Clear();
    }
    else if (kind == STATUS_DOWNLOADS)
    {
        const std::uint32_t pending = m_core.PendingDownloads();
        m_pendingDownloads = pending;
        if (pending == 0)
            m_activityBar->Clear();
    }
    UpdateCounters();
}

void CMainFrame::OnSiteImage(std::int64_t image, const CFramePayload& payload)
{
    if (payload.pageKind == kPageKindPage)
        m_pSiteView->SetPageImage(payload.text, ToInt(image));
}

void CMainFrame::OnStatsClosed()
{
    if (m_pStatsDlg == nullptr)
        return;
    m_pStatsDlg->deleteLater();
    m_pStatsDlg = nullptr;
}
