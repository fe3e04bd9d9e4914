// Closing the main window: stop the workers, keep the layout, save the options, wait.
#include "app/AppMessages.h"
#include "app/FileList.h"
#include "app/GuiPrompts.h"
#include "app/MainFrame.h"
#include "app/StatsDlg.h"
#include "app/UrlList.h"
#include "session/Engine.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QShowEvent>
#include <QSplitter>
#include <QTimer>

namespace
{

// How often the shut-down looks at the worker counts again.
constexpr int kWorkerPollMs = 500;

// Waits without blocking the user-interface thread: the workers' insertions into the tree and
// the list, and their posted messages, are served meanwhile. User input waits.
void WaitServingEvents(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_closing)
    {
        event->ignore();
        return;
    }
    // Quitting by mistake would stop every download: the user says so first.
    if (const std::uint32_t pending = m_engine.PendingDownloads();
        pending > 0 && m_askBeforeClosing)
    {
        auto* prompts = dynamic_cast<CGuiPrompts*>(&m_engine.Prompts());
        if (prompts != nullptr && !prompts->AskQuitDuringDownloads(pending))
        {
            event->ignore();
            return;
        }
    }
    m_closing = true;

    m_engine.CancelAllWork();

    if (m_everShown)
    {
        COptions options = *m_engine.Options();
        StoreLayoutInOptions(options);
        m_engine.SetOptions(options);
    }
    m_engine.SaveOptions();

    WaitForWorkers();
    m_engine.JoinAllWork();
    // What the workers handed over last goes into the windows before anything is kept.
    m_pSiteView->ApplyPendingNodes();
    m_pFileView->ApplyPendingItems();

    if (m_pStatsDlg != nullptr)
    {
        delete m_pStatsDlg;
        m_pStatsDlg = nullptr;
    }
    event->accept();
    emit frameDestroyed();
}

void CMainFrame::CloseWithoutAsking()
{
    m_askBeforeClosing = false;
    close();
}

void CMainFrame::showEvent(QShowEvent* event)
{
    m_everShown = true;
    QMainWindow::showEvent(event);
}

void CMainFrame::StoreLayoutInOptions(COptions& options) const
{
    // The normal-state rectangle, also when the window is maximised or minimised now.
    QRect normal = geometry();
    if (isMaximized() || isMinimized() || isFullScreen())
    {
        if (normalGeometry().isValid())
            normal = normalGeometry();
    }
    options.m_windowLeft = normal.x();
    options.m_windowTop = normal.y();
    options.m_windowWidth = normal.width();
    options.m_windowHeight = normal.height();
    options.m_windowMaximized = isMaximized();

    const QList<int> sizes = m_wndSplitter->sizes();
    if (!sizes.isEmpty())
        options.m_treeWidth = sizes.front();
    options.m_filesColumnWidth = m_pFileView->columnWidth(CFileList::kFilesColumn);
    options.m_sizeColumnWidth = m_pFileView->columnWidth(CFileList::kSizeColumn);
}

void CMainFrame::WaitForWorkers()
{
    while (m_engine.WorkersRunning())
        WaitServingEvents(kWorkerPollMs);
}
