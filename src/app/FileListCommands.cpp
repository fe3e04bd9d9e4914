// The file list's commands: download, remove, select all, sizes, open, find. Export is in
// FileListExport.cpp.
#include "app/AppMessages.h"
#include "app/BackgroundTask.h"
#include "app/FileList.h"
#include "app/FindDlg.h"
#include "app/FrameMessageQueue.h"
#include "app/MainFrame.h"
#include "app/OpenTarget.h"
#include "platform/UserPrompts.h"
#include "session/Engine.h"
#include "url/Url.h"

#include <QPersistentModelIndex>

namespace
{

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
    const std::vector<QTreeWidgetItem*> selected = SelectedItemsInOrder();
    std::vector<std::string> urls;
    urls.reserve(selected.size());
    for (const QTreeWidgetItem* item : selected)
        urls.push_back(UrlOf(item));
    const std::vector<bool> queued = m_engine.QueueListedFiles(urls);
    for (std::size_t i = 0; i < selected.size(); ++i)
    {
        // A file the queue refused stays in the list, unselected; an item that the engine does
        // not know (put in by hand) is left as it is.
        if (queued[i])
            delete selected[i];
        else if (m_engine.RecordState(urls[i]).known)
            selected[i]->setSelected(false);
    }
}

void CFileList::RemoveSelected()
{
    std::vector<std::string> urls;
    for (QTreeWidgetItem* item : SelectedItemsInOrder())
    {
        urls.push_back(UrlOf(item));
        delete item;
    }
    // A record that nothing else holds goes.
    m_engine.ForgetListedFiles(urls);
}

void CFileList::SelectAll()
{
    ApplyPendingItems();
    selectAll();
}

void CFileList::DetermineSize()
{
    struct CSizeJob
    {
        QPersistentModelIndex index;
        std::string url;
        std::string sizeText;
        bool asked = false;
    };
    std::vector<CSizeJob> jobs;
    for (QTreeWidgetItem* item : SelectedItemsInOrder())
        jobs.push_back({QPersistentModelIndex(indexFromItem(item)), UrlOf(item), {}});
    // The requests run on a thread of their own: a server that does not answer must not
    // freeze the window.
    RunInBackground(this,
                    jobs.size() == 1
                        ? QStringLiteral("Determining the size of the file...")
                        : QStringLiteral("Determining the size of %1 files...").arg(jobs.size()),
                    static_cast<int>(jobs.size()),
                    [&](CTaskControl& control)
                    {
                        for (CSizeJob& job : jobs)
                        {
                            if (control.cancel.load())
                                break;
                            job.sizeText = m_engine.DetermineSize(job.url, &control.cancel);
                            // "" : the file is not known (any more); its item stays as it is.
                            job.asked = !control.cancel.load() && !job.sizeText.empty();
                            ++control.stepsDone;
                        }
                    });
    for (CSizeJob& job : jobs)
    {
        QTreeWidgetItem* item = job.asked ? itemFromIndex(job.index) : nullptr;
        if (item != nullptr)
            SetSizeText(item, job.sizeText);
    }
    if (auto* frame = qobject_cast<CMainFrame*>(window()))
        frame->Messages().OnEvent(CProgressStepEvent{-1});
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
    OpenOrSay(m_engine.Prompts(), url);
}

void CFileList::FindInList()
{
    std::string text;
    bool findAll = false;
    {
        CFindDlg dialog(false, kFindHistoryFile, m_engine, window());
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
