// The site tree's commands: add a site, browse a node with a mode, open, remove, find.
#include "app/AddSiteDlg.h"
#include "app/AppMessages.h"
#include "app/FindDlg.h"
#include "app/UrlList.h"
#include "core/TrawlerCore.h"
#include "crawl/BrowseEngine.h"
#include "platform/FileError.h"
#include "session/SessionSteps.h"
#include "settings/ModeData.h"
#include "url/Url.h"

#include <QTreeWidgetItemIterator>
#include <memory>

namespace
{

constexpr const char* kNoMatchMessage = "No matching sites found.";
constexpr const char* kNoBrowserMessage = "Failed to load default browser!";
constexpr const char* kFindHistoryFile = "findsite.dat";

} // namespace

QTreeWidgetItem* CUrlList::SelectedItem() const
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

void CUrlList::AddSite()
{
    CAddSiteDlg dialog(m_core, window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    StartSiteBrowse(m_core, dialog.SiteText(), dialog.ModeIndex());
}

CUrl* CUrlList::VisitNode(QTreeWidgetItem* item)
{
    // The node's tree mark keeps its record alive while the node exists.
    CUrl* record = m_core.m_urlStore.Find(UrlOf(item));
    if (record != nullptr)
        record->SetVisited();
    MarkVisited(item);
    return record;
}

void CUrlList::BrowseNode(QTreeWidgetItem* item, std::unique_ptr<CModeData> mode)
{
    VisitNode(item);
    CUrlHold site = m_core.m_urlStore.Hold(UrlOf(item));
    if (!site)
    {
        // No record for the node (it was put in by hand): a new one goes with the browse.
        auto record = std::make_unique<CUrl>(UrlOf(item));
        record->SetVisited();
        site = m_core.m_urlStore.Add(std::move(record));
    }
    StartBrowse(m_core, std::move(site), std::move(mode));
}

void CUrlList::BrowseSelected(int modeNumber)
{
    QTreeWidgetItem* item = SelectedItem();
    if (item == nullptr)
        return;
    std::unique_ptr<CModeData> mode;
    try
    {
        mode = GetMode(modeNumber, m_core.m_options);
    }
    catch (const CFileError& error)
    {
        ReportFileError(m_core, error);
        return;
    }
    BrowseNode(item, std::move(mode));
}

void CUrlList::ExploreSelected()
{
    QTreeWidgetItem* item = SelectedItem();
    if (item == nullptr)
        return;
    std::unique_ptr<CModeData> mode;
    try
    {
        mode = GetDefaultMode(m_core.m_options);
    }
    catch (const CFileError& error)
    {
        ReportFileError(m_core, error);
        return;
    }
    BrowseNode(item, std::move(mode));
}

void CUrlList::OpenSelected()
{
    QTreeWidgetItem* item = SelectedItem();
    if (item == nullptr)
        return;
    // Visited whether or not the browser starts.
    VisitNode(item);
    if (!m_core.Prompts().OpenWithShell(UrlOf(item)))
        m_core.Prompts().ShowMessageAs(CUserPrompts::EKind::Warning, kAppName, kNoBrowserMessage);
}

void CUrlList::ReleaseDescendants(QTreeWidgetItem* item)
{
    for (int i = 0; i < item->childCount(); ++i)
    {
        QTreeWidgetItem* child = item->child(i);
        ReleaseDescendants(child);
        m_core.m_urlStore.Release(CHolder::Tree, UrlOf(child));
    }
}

void CUrlList::RemoveSelected()
{
    {
        // Browse threads insert under this lock; a removal never races an insertion.
        CSinkLock lock(m_core.m_sites);
        // Nodes handed over before go in first, so the removal takes their subtrees too.
        ApplyPendingNodesLocked();
        QTreeWidgetItem* item = SelectedItem();
        if (item != nullptr)
        {
            // A record that a browse thread or the file list still holds survives. A later
            // insertion under a removed node is refused (its URL has no node), and a later
            // image update finds no node.
            m_core.m_urlStore.Release(CHolder::Tree, UrlOf(item));
            ReleaseDescendants(item);
            DeleteNode(item);
        }
    }
    viewport()->update();
}

void CUrlList::FindInList()
{
    std::string text;
    {
        CFindDlg dialog(true, kFindHistoryFile, m_core, window());
        if (dialog.exec() != QDialog::Accepted)
            return;
        text = dialog.SearchText();
    }
    ApplyPendingNodes();
    QTreeWidgetItem* start = SelectedItem();
    if (start != nullptr)
    {
        // Pre-order from the node after the selection to the last node; no wrap to the top.
        QTreeWidgetItemIterator it(start);
        for (++it; *it != nullptr; ++it)
        {
            if (FindNoCase(UrlOf(*it), text) != std::string::npos)
            {
                setCurrentItem(*it);
                return;
            }
        }
    }
    m_core.Prompts().ShowMessage(kAppName, kNoMatchMessage);
}
