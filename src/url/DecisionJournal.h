#pragma once

#include "url/LinkDecision.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A link's decision with the page where it was found.
struct CLinkExplanation
{
    std::string url;
    CDecision decision;
    std::string foundOn;
};

// The decisions of links whose record the store let go (a file that is not wanted, a link that
// is not followed): nothing else remembers them. Texts are packed into blocks, so an entry costs
// its URL text and 32 bytes; a page's links share its text. Thread contract: any thread.
class CDecisionJournal
{
public:
    void Keep(std::string_view url, std::string_view foundOn, const CDecision& decision);
    // The latest entry for the URL.
    std::optional<CLinkExplanation> Find(std::string_view url) const;
    // Every entry, oldest first.
    std::vector<CLinkExplanation> Entries() const;
    void Clear();
    // Entries kept; a plain read that any thread may do without the lock.
    std::size_t Size() const { return m_size.load(std::memory_order_relaxed); }

private:
    struct CEntry
    {
        const char* url;
        std::uint32_t urlLength;
        std::uint32_t foundOn; // index into m_foundOn
        CDecision decision;
    };

    std::string_view Store(std::string_view text);
    CLinkExplanation Explain(const CEntry& entry) const;

    mutable std::mutex m_mutex;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::size_t m_blockUsed = 0;
    std::size_t m_blockSize = 0;
    std::vector<CEntry> m_entries;
    std::vector<std::string_view> m_foundOn;
    // m_entries.size(), stored under m_mutex for the readers that do not take it.
    std::atomic<std::size_t> m_size{0};
};
