#include "core/UrlQueue.h"

bool CUrlQueue::Add(CUrlHold hold)
{
    std::lock_guard lock(m_mutex);
    if (m_duplicates == CDuplicates::Refused &&
        !m_index.try_emplace(hold->m_url, m_items.size()).second)
        return false;
    m_items.push_back(std::move(hold));
    m_count.store(m_items.size(), std::memory_order_relaxed);
    return true;
}

bool CUrlQueue::Pop(CUrlHold& hold)
{
    std::unique_lock lock(m_mutex);
    if (m_items.empty())
        return false;
    CUrlHold popped = std::move(m_items.back());
    m_items.pop_back();
    if (popped)
        m_index.erase(popped->m_url);
    m_count.store(m_items.size(), std::memory_order_relaxed);
    lock.unlock();
    // The old hold may destroy its record: not under the queue's lock.
    hold = std::move(popped);
    return true;
}

bool CUrlQueue::ItemAt(std::size_t index, CUrl*& record)
{
    std::lock_guard lock(m_mutex);
    if (index >= m_items.size() || !m_items[index])
        return false;
    record = m_items[index].Get();
    return true;
}

CUrlHold CUrlQueue::TakeAt(std::size_t index)
{
    std::lock_guard lock(m_mutex);
    if (index >= m_items.size())
        return {};
    return std::move(m_items[index]);
}

void CUrlQueue::Clear()
{
    std::vector<CUrlHold> dropped;
    {
        std::lock_guard lock(m_mutex);
        dropped.swap(m_items);
        m_index.clear();
        m_count.store(0, std::memory_order_relaxed);
    }
    // Records may be destroyed with their holds: not under the queue's lock.
}
