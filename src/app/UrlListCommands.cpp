// The site tree's commands: add a site, browse a node with a mode, open, remove, find.
#include "app/AddSiteDlg.h"
#include "app/AppMessages.h"
#include "app/FindDlg.h"
#include "app/OpenTarget.h"
#include "app/UrlList.h"
#include "platform/FileError.h"
#include "platform/UserPrompts.h"
#include "session/Engine.h"
#include "settings/ModeData.h"
#include "url/Url.h"

#include <QTreeWidgetItemIterator>
#include <memory>

namespace
{

constexpr const char* kNoMatchMessage = "No matching sites found.";
constexpr const char* kFindHistoryFile = "findsite.dat";

} // namespace

QTreeWidgetItem* CUrlList::SelectedItem() const
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

void CUrlList::AddSite()
{
    CAddSiteDlg dialog(m_engine, window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_engine.BrowseSite(dialog.SiteText(), dialog.ModeIndex());
}

void CUrlList::VisitNode(QTreeWidgetItem* item)
{
    m_engine.MarkVisited(UrlOf(item));
    MarkVisited(item);
}

void CUrlList::BrowseNode(QTreeWidgetItem* item, std::unique_ptr<CModeData> mode)
{
    MarkVisited(item);
    // Marks the page visited too; a node without a record gets a new one for the browse.
    m_engine.BrowsePage(UrlOf(item), std::move(mode));
}

void CUrlList::BrowseSelected(int modeNumber)
{
    QTreeWidgetItem* item = SelectedItem();
    if (item == nullptr)
        return;
    std::unique_ptr<CModeData> mode;
    try
    {
        mode = GetMode(modeNumber, *m_engine.Options());
    }
    catch (const CFileError& error)
    {
        m_engine.ReportFileError(error);
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
        mode = GetDefaultMode(*m_engine.Options());
    }
    catch (const CFileError& error)
    {
        m_engine.ReportFileError(error);
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
    OpenOrSay(m_engine.Prompts(), UrlOf(item));
}

void CUrlList::CollectDescendants(QTreeWidgetItem* item, std::vector<std::string>& urls) const
{
    for (int i = 0; i < item->childCount(); ++i)
    {
        QTreeWidgetItem* child = item->child(i);
        CollectDescendants(child, urls);
        urls.push_back(UrlOf(child));
    }
}

void CUrlList::RemoveSelected()
{
    // Nodes handed over before go in first, so the removal takes their subtrees too.
    ApplyPendingNodes();
    QTreeWidgetItem* item = SelectedItem();
    if (item != nullptr)
    {
        // A record that a browse thread or the file list still holds survives. A later
        // insertion under a removed node is refused (its URL has no node), and a later image
        // update finds no node.
        std::vector<std::string> urls{UrlOf(item)};
        CollectDescendants(item, urls);
        DeleteNode(item);
        m_engine.ForgetTreePages(urls);
    }
    viewport()->update();
}

void CUrlList::FindInList()
{
    std::string text;
    {
        CFindDlg dialog(true, kFindHistoryFile, m_engine, window());
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
    m_engine.Prompts().ShowMessage(kAppName, kNoMatchMessage);
}
