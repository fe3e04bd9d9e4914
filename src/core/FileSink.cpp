#include "core/FileSink.h"

bool CFileSink::IsShown(const CUrl& record) const
{
    return m_store.IsInFileList(record.m_url);
}

std::string CFileSink::SizeText(const CUrl& record)
{
    switch (record.m_sizeState.load())
    {
    case kSizeKnown:
        // Unsigned: a size above 2 GB must not show as a negative number.
        return std::to_string(record.m_size.load());
    case kSizeNotGiven:
        return "<Unknown>";
    default:
        return {};
    }
}

bool CFileSink::AddLocked(const CUrlHold& hold)
{
    CSinkLock lock(*this);
    CFileListTarget* target = m_target.load();
    // The count of listed files only grows under this lock, so the list never passes its limit.
    if (!hold || target == nullptr || IsShown(*hold) || IsFull())
        return false;
    m_store.Mark(CHolder::FileList, hold->m_url);
    target->InsertItem(hold->m_url, SizeText(*hold));
    return true;
}
