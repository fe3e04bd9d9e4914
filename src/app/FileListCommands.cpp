// The file list's commands: download, remove, select all, sizes, open, find. Export is in
// FileListExport.cpp.
#include "app/AppMessages.h"
#include "app/BackgroundTask.h"
#include "app/FileList.h"
#include "app/FileListModel.h"
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

void CFileList::DownloadSelected()
{
    ApplyPendingItems();
    const std::vector<int> selected = SelectedRows();
    if (selected.empty())
        return;
    std::vector<std::string> urls;
    urls.reserve(selected.size());
    for (int row : selected)
        urls.push_back(UrlAt(row));
    const std::vector<bool> queued = m_engine.QueueListedFiles(urls);
    // A file the queue refused stays in the list, unselected; an item that the engine does
    // not know (put in by hand) stays selected. Nothing else becomes selected: a second Enter
    // must not download the files below.
    std::vector<int> gone;
    std::vector<int> kept;
    for (std::size_t i = 0; i < selected.size(); ++i)
    {
        if (queued[i])
            gone.push_back(selected[i]);
        else if (!m_engine.RecordState(urls[i]).known)
            kept.push_back(selected[i] - static_cast<int>(gone.size()));
    }
    const int focus = selected.front();
    m_model->Remove(gone);
    SelectRows(kept);
    if (Count() > 0)
        selectionModel()->setCurrentIndex(m_model->index(std::min(focus, Count() - 1), 0),
                                          QItemSelectionModel::NoUpdate);
}

void CFileList::RemoveSelected()
{
    ApplyPendingItems();
    const std::vector<int> selected = SelectedRows();
    std::vector<std::string> urls;
    urls.reserve(selected.size());
    for (int row : selected)
        urls.push_back(UrlAt(row));
    m_model->Remove(selected);
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
        std::string problem;
        bool asked = false;
    };
    ApplyPendingItems();
    std::vector<CSizeJob> jobs;
    for (int row : SelectedRows())
        jobs.push_back({QPersistentModelIndex(m_model->index(row, 0)), UrlAt(row), {}, {}});
    if (jobs.empty())
        return;
    // The requests run on a thread of their own: a server that does not answer must not
    // freeze the window.
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
                job.sizeText = m_engine.DetermineSize(job.url, &control.cancel, &job.problem);
                job.asked = !control.cancel.load();
                ++control.stepsDone;
            }
        });
    std::size_t failed = 0;
    std::string firstFailure;
    for (const CSizeJob& job : jobs)
    {
        if (!job.asked || !job.index.isValid())
            continue;
        // "" and no problem: the file is not known (any more); its row stays as it is.
        if (job.sizeText.empty() && job.problem.empty())
            continue;
        const int row = m_model->SetSize(job.index.row(), job.sizeText, job.problem);
        if (!job.problem.empty() && ++failed == 1)
            firstFailure = job.url + ": " + m_model->At(row).problem;
    }
    auto* frame = qobject_cast<CMainFrame*>(window());
    if (frame == nullptr)
        return;
    frame->Messages().OnEvent(CProgressStepEvent{-1});
    // The row says why; the status bar says it too, since the row may be out of sight.
    if (failed == 1)
        frame->Messages().OnEvent(
            CStatusTextEvent{"Could not determine the size of " + firstFailure});
    else if (failed > 1)
        frame->Messages().OnEvent(CStatusTextEvent{"Could not determine the size of " +
                                                   std::to_string(failed) + " files"});
}

void CFileList::OpenSelected()
{
    const std::vector<std::string> selected = SelectedUrls();
    if (selected.empty())
        return;
    const std::string& url = selected.front();
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
    const int count = Count();
    if (count == 0)
    {
        clearSelection();
        return;
    }
    int index = 0;
    if (!findAll && currentIndex().isValid())
        index = currentIndex().row() + 1;
    int focus = count - 1;
    std::vector<int> matches;
    for (; index < count; ++index)
    {
        if (FindNoCase(UrlAt(index), text) == std::string::npos)
            continue;
        matches.push_back(index);
        if (!findAll)
        {
            focus = index;
            break;
        }
    }
    SelectRows(matches);
    // The focus moves to the last item examined; the list is not scrolled there.
    const bool scrolls = hasAutoScroll();
    setAutoScroll(false);
    selectionModel()->setCurrentIndex(m_model->index(focus, 0), QItemSelectionModel::NoUpdate);
    setAutoScroll(scrolls);
}
