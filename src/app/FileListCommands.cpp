// The file list's commands. They arrive with the file list's own work (download, remove, size,
// open, find, export); until then they do nothing, except Select All, which needs nothing else.
#include "app/FileList.h"
#include "download/TrawlerCore.h"

void CFileList::DownloadSelected() {}

void CFileList::RemoveSelected() {}

void CFileList::SelectAll()
{
    // Workers adding through the sink wait while the selection changes.
    CSinkLock lock(m_core.m_foundFiles);
    if (lock.OwnsLock())
        selectAll();
}

void CFileList::DetermineSize() {}

void CFileList::OpenSelected() {}

void CFileList::FindInList() {}

void CFileList::Export() {}
