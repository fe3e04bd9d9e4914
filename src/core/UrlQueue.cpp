#include "core/UrlQueue.h"

bool CUrlQueue::Add(CUrl* record, bool* duplicate)
{
    if (duplicate != nullptr)
        *duplicate = false;
    std::unique_lock lock(m_mutex, kLockWait);
    if (!lock.owns_lock())
        return false;
    if (!m_index.try_emplace(record->m_url, m_items.size()).second)
    {
        if (duplicate != nullptr)
            *duplicate = true;
        return false;
    }
    m_items.push_back(record);
    m_count.store(m_items.size(), std::memory_order_relaxed);
    return true;
}

bool CUrlQueue::Pop(CUrl*& record)
{
    std::unique_lock lock(m_mutex, kLockWait);
    if (!lock.owns_lock() || m_items.empty())
        return false;
    record = m_items.back();
    m_items.pop_back();
    m_index.erase(record->m_url);
    m_count.store(m_items.size(), std::memory_order_relaxed);
    return true;
}

bool CUrlQueue::ItemAt(std::size_t index, CUrl*& record)
{
    std::unique_lock lock(m_mutex, kLockWait);
    if (!lock.owns_lock() || index >= m_items.size())
        return false;
    record = m_items[index];
    return true;
}
