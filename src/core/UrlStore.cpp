#include "core/UrlStore.h"

#include <memory>

namespace
{
constexpr std::uint32_t kMarkOf(CHolder kind)
{
    switch (kind)
    {
    case CHolder::Tree:
        return kTreeMark;
    case CHolder::FileList:
        return kFileListMark;
    case CHolder::Counted:
        break;
    }
    return 0;
}
} // namespace

CUrlStore::~CUrlStore()
{
    for (auto& [url, entry] : m_entries)
    {
        delete entry.record;
        m_allocated.fetch_sub(1, std::memory_order_relaxed);
    }
}

CStoreAdd CUrlStore::Add(CHolder kind, CUrl* record)
{
    std::lock_guard lock(m_mutex);
    auto [it, inserted] = m_entries.try_emplace(record->m_url);
    CEntry& entry = it->second;
    if (inserted)
    {
        entry.record = record;
        m_allocated.fetch_add(1, std::memory_order_relaxed);
    }
    if (kind == CHolder::Counted)
        ++entry.count;
    else
        entry.marks |= kMarkOf(kind);
    return CStoreAdd{entry.marks, entry.record};
}

void CUrlStore::Release(CHolder kind, const CUrl& record)
{
    // The record may be the one destroyed below, so look up a copy of its text.
    Release(kind, std::string_view(record.m_url));
}

void CUrlStore::Release(CHolder kind, std::string_view url)
{
    std::unique_ptr<CUrl> doomed;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_entries.find(url);
        if (it == m_entries.end())
            return;
        CEntry& entry = it->second;
        // A release without a matching counted hold takes nothing: a count below zero would
        // let a later holder's release destroy a record that is still held.
        if (kind == CHolder::Counted && entry.count > 0)
            --entry.count;
        entry.marks &= ~kMarkOf(kind);
        if (entry.marks != 0 || entry.count > 0)
            return;
        doomed.reset(entry.record);
        m_entries.erase(it);
        m_allocated.fetch_sub(1, std::memory_order_relaxed);
    }
    // The record is destroyed outside the lock; url may point into it, so it is not used now.
}

CUrl* CUrlStore::Find(std::string_view url) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_entries.find(url);
    return it == m_entries.end() ? nullptr : it->second.record;
}

bool CUrlStore::ReadDecision(std::string_view url, CDecision& decision, std::string& foundOn) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_entries.find(url);
    if (it == m_entries.end())
        return false;
    decision = it->second.record->m_decision.Get();
    foundOn = it->second.record->m_referer;
    return true;
}

std::vector<std::string> CUrlStore::Urls() const
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string> urls;
    urls.reserve(m_entries.size());
    for (const auto& entry : m_entries)
        urls.push_back(entry.first);
    return urls;
}

std::uint32_t CUrlStore::MarksOf(std::string_view url) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_entries.find(url);
    return it == m_entries.end() ? 0 : it->second.marks;
}

bool CUrlStore::IsInFileList(std::string_view url) const
{
    return (MarksOf(url) & kFileListMark) != 0;
}

bool CUrlStore::IsInTree(std::string_view url) const
{
    return (MarksOf(url) & kTreeMark) != 0;
}
