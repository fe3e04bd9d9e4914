#pragma once

#include "url/Url.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Who holds a record in the store: the site tree and the file list each set a mark, every
// other holder (queues, transfers, browse threads) takes a counted reference.
enum class CHolder : std::int32_t
{
    Tree = 0,
    FileList = 1,
    Counted = 2,
};

// Bits of the marks word that Add returns.
inline constexpr std::uint32_t kFileListMark = 0x0001;
inline constexpr std::uint32_t kTreeMark = 0x0100;

struct CStoreAdd
{
    std::uint32_t marks = 0;
    // The record that the store holds for the URL: the one passed in when the store adopted it
    // (or already held it), else the entry's older record, and the passed one stays with its
    // caller. A caller that keeps working on the URL should switch to this one.
    CUrl* held = nullptr;
};

// The one owner of shared records, keyed by their exact URL text. An entry lives while the site
// tree or the file list marks it or a counted reference remains; the store then destroys its
// record. Every operation is atomic with respect to the others and never calls out while locked.
class CUrlStore
{
public:
    CUrlStore() = default;
    // Destroys every record that is left.
    ~CUrlStore();

    CUrlStore(const CUrlStore&) = delete;
    CUrlStore& operator=(const CUrlStore&) = delete;

    // Takes a hold of the given kind on the record's URL. When the URL has no entry yet the store
    // adopts the record (it must come from new; nobody else may destroy it from now on).
    CStoreAdd Add(CHolder kind, CUrl* record);

    // Gives up a hold of the given kind. When no mark and no count remain the entry goes and its
    // record is destroyed, so the caller must not touch the record afterwards. An unknown URL is
    // ignored.
    void Release(CHolder kind, const CUrl& record);
    void Release(CHolder kind, std::string_view url);

    // The entry's record, or nullptr. Only safe to use while the caller holds it somehow.
    CUrl* Find(std::string_view url) const;
    bool IsInFileList(std::string_view url) const;
    // The decision kept on the URL's record and the page it was found on, read under the lock so
    // that the record cannot go meanwhile; false when the store has no entry for the URL.
    bool ReadDecision(std::string_view url, CDecision& decision, std::string& foundOn) const;
    // The URL texts of every entry.
    std::vector<std::string> Urls() const;
    bool IsInTree(std::string_view url) const;

    // Records the store owns now; the statistics window shows it as "Allocated Urls".
    std::int32_t AllocatedUrls() const { return m_allocated.load(std::memory_order_relaxed); }

private:
    struct CEntry
    {
        std::uint32_t marks = 0;
        std::int32_t count = 0;
        CUrl* record = nullptr;
    };

    // Lets the map be searched with a string_view without building a string.
    struct CTextHash
    {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const noexcept
        {
            return std::hash<std::string_view>{}(text);
        }
    };

    using CMap = std::unordered_map<std::string, CEntry, CTextHash, std::equal_to<>>;

    std::uint32_t MarksOf(std::string_view url) const;

    mutable std::mutex m_mutex;
    CMap m_entries;
    std::atomic<std::int32_t> m_allocated{0};
};
