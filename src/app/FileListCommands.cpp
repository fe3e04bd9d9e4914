// The file list's commands: download, remove, select all, sizes, open, find. Export is in
// FileListExport.cpp.
#include "app/AppMessages.h"
#include "app/BackgroundTask.h"
#include "app/FileList.h"
#include "app/FindDlg.h"
#include "core/TrawlerCore.h"
#include "download/DownloadWorkers.h"
#include "net/UrlTransfers.h"
#include "url/Url.h"

#include <QPersistentModelIndex>

namespace
{

constexpr const char* kNoBrowserMessage = "Failed to load default browser!";
constexpr const char* kFindHistoryFile = "findfile.dat";

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
    CSinkLock lock(m_core.m_foundFiles);
    const std::vector<QTreeWidgetItem*> selected = SelectedItemsInOrder();
    for (QTreeWidgetItem* item : selected)
    {
        const std::string url = UrlOf(item);
        // The file-list mark keeps the record alive while the item exists.
        const CUrlHold record = m_core.m_urlStore.Hold(url);
        if (!record)
            continue;
        // A file the queue refused stays in the list.
        if (!QueueForDownload(m_core, record))
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
    CSinkLock lock(m_core.m_foundFiles);
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
    CSinkLock lock(m_core.m_foundFiles);
    ApplyPendingItems();
    selectAll();
}

void CFileList::DetermineSize()
{
    struct CSizeJob
    {
        QPersistentModelIndex index;
        std::string url;
        CUrlHold record;
        std::string sizeText;
        bool asked = false;
    };
    std::vector<CSizeJob> jobs;
    for (QTreeWidgetItem* item : SelectedItemsInOrder())
    {
        std::string url = UrlOf(item);
        // Held for the request, whatever happens to the item meanwhile.
        CUrlHold record = m_core.m_urlStore.Hold(url);
        if (!record)
            continue;
        jobs.push_back(
            {QPersistentModelIndex(indexFromItem(item)), std::move(url), std::move(record), {}});
    }
    // The requests run on a thread of their own: a server that does not answer must not
    // freeze the window.
    const bool hasSession = m_core.HasSession();
    RunInBackground(
        this,
        jobs.size() == 1 ? QStringLiteral("Determining the size of the file...")
                         : QStringLiteral("Determining the size of %1 files...").arg(jobs.size()),
        static_cast<int>(jobs.size()),
        [&](CTaskControl& control)
        {
            for (CSizeJob& job : jobs)
            {
                if (control.cancel.load())
                    break;
                if (hasSession)
                    ::DetermineSize(*job.record, m_core.TransferContext(), &control.cancel);
                job.sizeText = CFileSink::SizeText(*job.record);
                job.asked = !control.cancel.load();
                ++control.stepsDone;
            }
        });
    for (CSizeJob& job : jobs)
    {
        QTreeWidgetItem* item = job.asked ? itemFromIndex(job.index) : nullptr;
        if (item != nullptr)
            SetSizeText(item, job.sizeText);
        job.record.Reset();
    }
    m_core.m_events.Post(CProgressStepEvent{-1});
}

void CFileList::OpenSelected()
{
    const std::vector<QTreeWidgetItem*> selected = SelectedItemsInOrder();
    if (selected.empty())
        return;
    const std::string url = UrlOf(selected.front());
    // The list's URLs come from pages; the desktop would run a script or open a local file.
    if (!HasTransferScheme(url))
        return;
    if (!m_core.Prompts().OpenWithShell(url))
        m_core.Prompts().ShowMessageAs(CUserPrompts::EKind::Warning, kAppName, kNoBrowserMessage);
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
    ApplyPendingItems();
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
