#include "url/DecisionJournal.h"

#include <algorithm>
#include <cstring>

namespace
{

// Texts go into blocks of this size (a longer text gets a block of its own), so the journal
// grows without copying what it holds.
constexpr std::size_t kBlockSize = 64 * 1024;

} // namespace

std::string_view CDecisionJournal::Store(std::string_view text)
{
    // An empty text (a record with no referring page) may have no data to copy from.
    if (text.empty())
        return {};
    if (m_blocks.empty() || m_blockUsed + text.size() > m_blockSize)
    {
        m_blockSize = std::max(kBlockSize, text.size());
        m_blocks.push_back(std::make_unique<char[]>(m_blockSize));
        m_blockUsed = 0;
    }
    char* at = m_blocks.back().get() + m_blockUsed;
    std::memcpy(at, text.data(), text.size());
    m_blockUsed += text.size();
    return {at, text.size()};
}

void CDecisionJournal::Keep(std::string_view url, std::string_view foundOn,
                            const CDecision& decision)
{
    std::lock_guard lock(m_mutex);
    // The links of one page come one after another: they share the page's text.
    if (m_foundOn.empty() || m_foundOn.back() != foundOn)
        m_foundOn.push_back(Store(foundOn));
    const std::string_view stored = Store(url);
    m_entries.push_back(CEntry{stored.data(), static_cast<std::uint32_t>(stored.size()),
                               static_cast<std::uint32_t>(m_foundOn.size() - 1), decision});
    m_size.store(m_entries.size(), std::memory_order_relaxed);
}

CLinkExplanation CDecisionJournal::Explain(const CEntry& entry) const
{
    return CLinkExplanation{std::string(entry.url, entry.urlLength), entry.decision,
                            std::string(m_foundOn[entry.foundOn])};
}

std::optional<CLinkExplanation> CDecisionJournal::Find(std::string_view url) const
{
    std::lock_guard lock(m_mutex);
    for (auto entry = m_entries.rbegin(); entry != m_entries.rend(); ++entry)
    {
        if (std::string_view(entry->url, entry->urlLength) == url)
            return Explain(*entry);
    }
    return std::nullopt;
}

std::vector<CLinkExplanation> CDecisionJournal::Entries() const
{
    std::lock_guard lock(m_mutex);
    std::vector<CLinkExplanation> all;
    all.reserve(m_entries.size());
    for (const CEntry& entry : m_entries)
        all.push_back(Explain(entry));
    return all;
}

void CDecisionJournal::Clear()
{
    std::lock_guard lock(m_mutex);
    m_entries.clear();
    m_size.store(0, std::memory_order_relaxed);
    m_foundOn.clear();
    m_blocks.clear();
    m_blockUsed = 0;
    m_blockSize = 0;
}
