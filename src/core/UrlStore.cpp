#include "core/UrlStore.h"

namespace
{
constexpr std::uint32_t kMarkOf(CHolder kind)
{
    return kind == CHolder::Tree ? kTreeMark : kFileListMark;
}
} // namespace

CUrlHold::CUrlHold(CUrlHold&& other) noexcept
    : m_store(other.m_store), m_record(other.m_record), m_standIn(std::move(other.m_standIn))
{
    other.m_store = nullptr;
    other.m_record = nullptr;
}

CUrlHold& CUrlHold::operator=(CUrlHold&& other) noexcept
{
    if (this != &other)
    {
        Reset();
        m_store = other.m_store;
        m_record = other.m_record;
        m_standIn = std::move(other.m_standIn);
        other.m_store = nullptr;
        other.m_record = nullptr;
    }
    return *this;
}

void CUrlHold::Reset()
{
    if (m_record == nullptr)
        return;
    // The store's record may be destroyed by the release, so the text is looked up first: a
    // stand-in keeps its own copy alive until it goes below.
    m_store->Unhold(m_record->m_url);
    m_store = nullptr;
    m_record = nullptr;
    m_standIn.reset();
}

CUrlStore::~CUrlStore()
{
    m_allocated.fetch_sub(static_cast<std::int32_t>(m_entries.size()), std::memory_order_relaxed);
}

CUrlHold CUrlStore::Add(std::unique_ptr<CUrl> record)
{
    std::lock_guard lock(m_mutex);
    auto [it, inserted] = m_entries.try_emplace(std::string_view(record->m_url));
    CEntry& entry = it->second;
    ++entry.count;
    if (!inserted)
    {
        CUrl* standIn = record.get();
        return CUrlHold(*this, standIn, std::move(record));
    }
    entry.record = std::move(record);
    m_allocated.fetch_add(1, std::memory_order_relaxed);
    return CUrlHold(*this, entry.record.get(), nullptr);
}

CUrlHold CUrlStore::Hold(std::string_view url)
{
    std::lock_guard lock(m_mutex);
    auto it = m_entries.find(url);
    if (it == m_entries.end())
        return {};
    ++it->second.count;
    return CUrlHold(*this, it->second.record.get(), nullptr);
}

CUrl* CUrlStore::Mark(CHolder kind, std::string_view url)
{
    std::lock_guard lock(m_mutex);
    auto it = m_entries.find(url);
    if (it == m_entries.end())
        return nullptr;
    CountListed(it->second.marks, it->second.marks | kMarkOf(kind));
    it->second.marks |= kMarkOf(kind);
    return it->second.record.get();
}

std::unique_ptr<CUrl> CUrlStore::DropIfUnheld(CMap::iterator it)
{
    CEntry& entry = it->second;
    if (entry.marks != 0 || entry.count > 0)
        return nullptr;
    std::unique_ptr<CUrl> doomed = std::move(entry.record);
    m_entries.erase(it);
    m_allocated.fetch_sub(1, std::memory_order_relaxed);
    return doomed;
}

void CUrlStore::CountListed(std::uint32_t before, std::uint32_t after)
{
    const bool was = (before & kFileListMark) != 0;
    const bool is = (after & kFileListMark) != 0;
    if (was != is)
    {
        const std::size_t listed = m_listedFiles.load(std::memory_order_relaxed);
        m_listedFiles.store(is ? listed + 1 : listed - 1, std::memory_order_relaxed);
    }
}

void CUrlStore::Release(CHolder kind, std::string_view url)
{
    std::unique_ptr<CUrl> doomed;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_entries.find(url);
        if (it == m_entries.end())
            return;
        CountListed(it->second.marks, it->second.marks & ~kMarkOf(kind));
        it->second.marks &= ~kMarkOf(kind);
        doomed = DropIfUnheld(it);
    }
    // The record is destroyed outside the lock; url may point into it, so it is not used now.
    KeepDecision(doomed.get());
}

void CUrlStore::Unhold(std::string_view url)
{
    std::unique_ptr<CUrl> doomed;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_entries.find(url);
        if (it == m_entries.end())
            return;
        --it->second.count;
        doomed = DropIfUnheld(it);
    }
    KeepDecision(doomed.get());
}

void CUrlStore::KeepDecision(const CUrl* doomed) const
{
    if (doomed == nullptr || m_journal == nullptr)
        return;
    const CDecision decision = doomed->m_decision.Get();
    if (decision.verdict != CVerdict::None)
        m_journal->Keep(doomed->m_url, doomed->Referer(), decision);
}

CUrl* CUrlStore::Find(std::string_view url) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_entries.find(url);
    return it == m_entries.end() ? nullptr : it->second.record.get();
}

bool CUrlStore::ReadDecision(std::string_view url, CDecision& decision, std::string& foundOn) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_entries.find(url);
    if (it == m_entries.end())
        return false;
    decision = it->second.record->m_decision.Get();
    foundOn = it->second.record->Referer();
    return true;
}

std::vector<std::string> CUrlStore::Urls() const
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string> urls;
    urls.reserve(m_entries.size());
    for (const auto& entry : m_entries)
        urls.emplace_back(entry.first);
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
