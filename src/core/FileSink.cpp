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
    // The count of listed files only grows under this lock, so the list never passes its limit.
    if (!hold || IsShown(*hold) || IsFull())
        return false;
    m_store.Mark(CHolder::FileList, hold->m_url);
    // Posted under the lock: the front-end hears of the files in the order they were listed.
    if (m_events.Post(CFileFoundEvent{hold->m_url, SizeText(*hold)}))
        return true;
    m_store.Release(CHolder::FileList, hold->m_url);
    return false;
}
