#include "core/SiteSink.h"

bool CSiteSink::IsShown(const CUrl& record) const
{
    return m_store.IsInTree(record.m_url);
}

bool CSiteSink::AddLocked(const CUrlHold& hold, const std::string& parentUrl)
{
    CSinkLock lock(*this);
    if (!hold || IsShown(*hold))
        return false;
    // Marked first: a tree that refuses the node (its parent is gone) gives the mark back.
    m_store.Mark(CHolder::Tree, hold->m_url);
    if (m_events.Post(CPageAddedEvent{parentUrl, hold->m_url, hold->IsVisited()}))
        return true;
    m_store.Release(CHolder::Tree, hold->m_url);
    return false;
}
