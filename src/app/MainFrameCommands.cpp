// The main window's commands: when each is enabled, and what it does.
#include "app/AppMessages.h"
#include "app/CommandIds.h"
#include "app/Documentation.h"
#include "app/FileList.h"
#include "app/GuiSeams.h"
#include "app/MainFrame.h"
#include "app/MakerSite.h"
#include "app/OpenTarget.h"
#include "app/StatsDlg.h"
#include "app/TrawlerDoc.h"
#include "app/UrlList.h"
#include "app/WhyDlg.h"
#include "platform/FileError.h"
#include "platform/UserPrompts.h"
#include "session/Engine.h"

#include <QAction>
#include <QStatusBar>
#include <QToolBar>
#include <filesystem>
#include <system_error>

bool CMainFrame::IsCommandEnabled(int id) const
{
    switch (id)
    {
    case ID_DOWNLOAD_SELECTED:
    case ID_REMOVE_FILES:
        return m_pFileView->HasSelection();
    case ID_FIND_FILE:
    case ID_SELECT_ALL:
    case ID_EXPORT:
        return !m_pFileView->IsEmpty();
    case ID_REMOVE_SITE:
    case ID_OPEN_SITE:
    case ID_MODE1:
    case ID_MODE2:
    case ID_MODE3:
    case ID_EXPLORE:
        return m_pSiteView->HasSelectedItem();
    case ID_FIND_SITE:
        return m_pSiteView->HasItems();
    case ID_REMOVE:
        if (m_activePane == kTreePane)
            return m_pSiteView->HasSelectedItem();
        if (m_activePane == kFilePane)
            return m_pFileView->HasSelection();
        return false;
    case ID_CANCEL_BROWSE:
        return m_engine.RunningBrowses() != 0;
    case ID_CANCEL_DOWNLOAD:
        return m_engine.RunningDownloads() != 0;
    case ID_DETERMINE_SIZE:
    case ID_OPEN_FILE:
        // Only the file list handles them, so they work only while it is the active pane.
        return m_activePane == kFilePane;
    default:
        return true;
    }
}

bool CMainFrame::IsCommandChecked(int id) const
{
    switch (id)
    {
    case ID_VIEW_STATS:
        return m_pStatsDlg != nullptr;
    case ID_VIEW_TOOLBAR:
        return !m_wndToolBar->isHidden();
    case ID_VIEW_STATUS_BAR:
        return !statusBar()->isHidden();
    default:
        return false;
    }
}

void CMainFrame::UpdateCommandUI()
{
    UpdateCounters();
    for (auto& [id, action] : m_actions)
    {
        action->setEnabled(IsCommandEnabled(id));
        if (action->isCheckable())
            action->setChecked(IsCommandChecked(id));
    }
}

void CMainFrame::ExecuteCommand(int id)
{
    if (!IsCommandEnabled(id))
        return;
    switch (id)
    {
    case ID_ADD_SITE:
        m_pSiteView->AddSite();
        break;
    case ID_DOWNLOAD_SELECTED:
        m_pFileView->DownloadSelected();
        break;
    case ID_REMOVE_FILES:
        m_pFileView->RemoveSelected();
        break;
    case ID_FIND_FILE:
        m_pFileView->FindInList();
        break;
    case ID_SELECT_ALL:
        m_pFileView->SelectAll();
        break;
    case ID_EXPORT:
        m_pFileView->Export();
        break;
    case ID_DETERMINE_SIZE:
        m_pFileView->DetermineSize();
        break;
    case ID_OPEN_FILE:
        m_pFileView->OpenSelected();
        break;
    case ID_REMOVE_SITE:
        m_pSiteView->RemoveSelected();
        break;
    case ID_OPEN_SITE:
        // The tree handles it itself, so it acts only while the tree is the active pane.
        if (m_activePane == kTreePane)
            m_pSiteView->OpenSelected();
        break;
    case ID_MODE1:
        m_pSiteView->BrowseSelected(0);
        break;
    case ID_MODE2:
        m_pSiteView->BrowseSelected(1);
        break;
    case ID_MODE3:
        m_pSiteView->BrowseSelected(2);
        break;
    case ID_EXPLORE:
        m_pSiteView->ExploreSelected();
        break;
    case ID_FIND_SITE:
        m_pSiteView->FindInList();
        break;
    case ID_WHY:
        OnWhy(m_activePane);
        break;
    case ID_REMOVE:
        OnRemove();
        break;
    case ID_CANCEL_BROWSE:
        m_engine.CancelBrowse();
        break;
    case ID_CANCEL_DOWNLOAD:
        m_engine.CancelDownloads();
        break;
    case ID_VIEW_OPTIONS:
        OnOptions();
        break;
    case ID_VIEW_STATS:
        OnStatistics();
        break;
    case ID_VIEW_DOWNLOADS:
        OnViewDownloads();
        break;
    case ID_HELP_CONTENTS:
        OnDocumentation("interface.htm");
        break;
    case ID_HELP_TUTORIAL:
        OnDocumentation("tutorial.htm");
        break;
    case ID_FILE_NEW:
        m_doc.OnFileNew();
        break;
    case ID_FILE_OPEN:
        m_doc.OnFileOpen(this);
        break;
    case ID_FILE_SAVE:
        m_doc.OnFileSave(this);
        break;
    case ID_APP_ABOUT:
        OnAbout();
        break;
    case ID_APP_EXIT:
        close();
        break;
    case ID_NEXT_PANE:
        SwitchPane(1);
        break;
    case ID_PREV_PANE:
        SwitchPane(-1);
        break;
    case ID_VIEW_TOOLBAR:
        m_wndToolBar->setHidden(!m_wndToolBar->isHidden());
        StoreBarVisibility();
        break;
    case ID_VIEW_STATUS_BAR:
        statusBar()->setHidden(!statusBar()->isHidden());
        StoreBarVisibility();
        break;
    default: // ID_CTRL_T and anything unknown do nothing
        break;
    }
    UpdateCommandUI();
}

void CMainFrame::OnWhy(int pane)
{
    std::string url;
    if (pane == kTreePane && m_pSiteView->HasSelectedItem())
        url = CUrlList::UrlOf(m_pSiteView->SelectedItem());
    else if (pane == kFilePane && m_pFileView->HasSelection())
        url = CFileList::UrlOf(m_pFileView->SelectedItemsInOrder().front());
    CWhyDlg dialog(m_engine, url, this);
    dialog.exec();
}

void CMainFrame::OnRemove()
{
    if (m_activePane == kTreePane)
        m_pSiteView->RemoveSelected();
    else if (m_activePane == kFilePane)
        m_pFileView->RemoveSelected();
}

void CMainFrame::OnOptions()
{
    if (!RunOptionsSheet(this, m_engine))
        return;
    m_engine.SaveOptions(true);
    UpdateModeMenu();
}

void CMainFrame::OnStatistics()
{
    if (m_pStatsDlg != nullptr)
    {
        // The window says so as it goes; the object is deleted when that message is handled.
        m_pStatsDlg->Destroy();
        return;
    }
    m_pStatsDlg = new CStatsDlg([this] { return m_engine.Statistics(); }, this);
    connect(m_pStatsDlg, &CStatsDlg::closed, this,
            [this] { m_messages->Deliver(CWindowMessage{WM_STATS_CLOSED}); });
    if (!m_headless)
        m_pStatsDlg->show();
}

void CMainFrame::OnViewDownloads()
{
    // The default folder does not exist before the first download: a file manager shown it
    // would open nothing at all.
    const std::string folder = m_engine.DownloadFolder();
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    OpenOrSay(m_engine.Prompts(), folder);
}

void CMainFrame::OnDocumentation(const char* page)
{
    OpenDocumentationPage(this, m_engine, page);
}

void CMainFrame::OnAbout()
{
    if (!m_headless)
        ShowAboutBox(this);
}

void CMainFrame::SwitchPane(int step)
{
    const int pane = m_activePane == kNoPane ? kTreePane : (m_activePane + step + 2) % 2;
    QWidget* view = pane == kTreePane ? static_cast<QWidget*>(m_pSiteView) : m_pFileView;
    view->setFocus(Qt::ShortcutFocusReason);
    SetActivePane(pane);
}
