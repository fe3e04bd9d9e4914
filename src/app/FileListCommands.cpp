// The file list's commands: download, remove, select all, sizes, open, find. Export is in
// FileListExport.cpp.
#include "app/AppMessages.h"
#include "app/FileList.h"
#include "app/FindDlg.h"
#include "app/GuiSinkLock.h"
#include "download/DownloadWorkers.h"
#include "download/TrawlerCore.h"
#include "download/UrlTransfers.h"
#include "url/Url.h"

#include <QApplication>
#include <QPersistentModelIndex>

namespace
{

constexpr const char* kNoBrowserMessage = "Failed to load default browser!";
constexpr const char* kFindHistoryFile = "findfile.dat";

// Keeps the wait cursor up for one scope.
class CBusyCursor
{
public:
    CBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CBusyCursor() { QApplication::restoreOverrideCursor(); }
    CBusyCursor(const CBusyCursor&) = delete;
    CBusyCursor& operator=(const CBusyCursor&) = delete;
};

} // namespace

std::vector<QTreeWidgetItem*> CFileList::SelectedItemsInOrder() const
{
    std::vector<QTreeWidgetItem*> items;
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (topLevelItem(i)->isSelected())
            items.push_back(topLevelItem(i));
    return items;
}

void CFileList::DownloadSelected()
{
    // Workers adding through the sink wait while the list changes.
    CGuiSinkLock lock(m_core.m_foundFiles, this);
    if (!lock.OwnsLock())
        return;
    const std::vector<QTreeWidgetItem*> selected = SelectedItemsInOrder();
    for (QTreeWidgetItem* item : selected)
    {
        const std::string url = UrlOf(item);
        // The file-list mark keeps the record alive while the item exists.
        CUrl* record = m_core.m_urlStore.Find(url);
        if (record == nullptr)
            continue;
        // The counted reference comes before the queue, so a worker that pops the record at
        // once finds it held. A file the queue refused stays in the list.
        if (!QueueForDownload(m_core, *record))
        {
            item->setSelected(false);
            continue;
        }
        m_core.m_urlStore.Release(CHolder::FileList, url);
        delete item;
    }
    if (!selected.empty())
        PostDownloadsQueued(m_core);
}

void CFileList::RemoveSelected()
{
    CGuiSinkLock lock(m_core.m_foundFiles, this);
    if (!lock.OwnsLock())
        return;
    for (QTreeWidgetItem* item : SelectedItemsInOrder())
    {
        // Destroys the record when nothing else holds it.
        m_core.m_urlStore.Release(CHolder::FileList, UrlOf(item));
        delete item;
    }
}

void CFileList::SelectAll()
{
    // Workers adding through the sink wait while the selection changes.
    CGuiSinkLock lock(m_core.m_foundFiles, this);
    if (lock.OwnsLock())
        selectAll();
}

void CFileList::DetermineSize()
{
    CBusyCursor busy;
    std::vector<QPersistentModelIndex> selected;
    for (QTreeWidgetItem* item : SelectedItemsInOrder())
        selected.emplace_back(indexFromItem(item));
    for (const QPersistentModelIndex& index : selected)
    {
        // A login prompt may run an event loop during the request: look the item up again.
        QTreeWidgetItem* item = itemFromIndex(index);
        if (item == nullptr)
            continue;
        const std::string url = UrlOf(item);
        CUrl* record = m_core.m_urlStore.Find(url);
        if (record == nullptr)
            continue;
        // Held for the request, whatever happens to the item meanwhile.
        m_core.m_urlStore.Add(CHolder::Counted, record);
        if (m_core.HasSession())
            ::DetermineSize(*record, m_core.TransferContext());
        const std::string sizeText = CFileSink::SizeText(*record);
        m_core.m_urlStore.Release(CHolder::Counted, url);
        item = itemFromIndex(index);
        if (item != nullptr)
            item->setText(kSizeColumn, QString::fromStdString(sizeText));
    }
    m_core.m_frame.PostToMainFrame(WM_PROGRESS_STEP, -1);
}

void CFileList::OpenSelected()
{
    const std::vector<QTreeWidgetItem*> selected = SelectedItemsInOrder();
    if (selected.empty())
        return;
    if (!m_core.Prompts().OpenWithShell(UrlOf(selected.front())))
        m_core.Prompts().ShowMessage(kAppName, kNoBrowserMessage);
}

void CFileList::FindInList()
{
    std::string text;
    bool findAll = false;
    {
        CFindDlg dialog(false, kFindHistoryFile, m_core, window());
        if (dialog.exec() != QDialog::Accepted)
            return;
        text = dialog.SearchText();
        findAll = dialog.FindAll();
    }
    clearSelection();
    const int count = topLevelItemCount();
    if (count == 0)
        return;
    int index = 0;
    if (!findAll && currentItem() != nullptr)
        index = indexOfTopLevelItem(currentItem()) + 1;
    int focus = count - 1;
    for (; index < count; ++index)
    {
        if (FindNoCase(UrlOf(topLevelItem(index)), text) == std::string::npos)
            continue;
        topLevelItem(index)->setSelected(true);
        if (!findAll)
        {
            focus = index;
            break;
        }
    }
    // The focus moves to the last item examined; the list is not scrolled there.
    const bool scrolls = hasAutoScroll();
    setAutoScroll(false);
    selectionModel()->setCurrentIndex(indexFromItem(topLevelItem(focus)),
                                      QItemSelectionModel::NoUpdate);
    setAutoScroll(scrolls);
}
