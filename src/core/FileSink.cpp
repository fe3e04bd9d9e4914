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

bool CFileSink::Add(CUrl& record)
{
    CFileListTarget* target = m_target.load();
    // Adds come one at a time under the sink's lock, so the list never passes its limit.
    if (target == nullptr || IsFull() || !target->InsertItem(record.m_url, SizeText(record)))
        return false;
    m_store.Mark(CHolder::FileList, record.m_url);
    return true;
}
