#pragma once

#include "url/DecisionJournal.h"
#include "url/Url.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CUrlStore;

// The windows that mark a record in the store: the site tree and the file list each set a mark,
// every other holder (queues, transfers, browse threads) keeps a CUrlHold.
enum class CHolder : std::int32_t
{
    Tree = 0,
    FileList = 1,
};

// Bits of the marks word.
inline constexpr std::uint32_t kFileListMark = 0x0001;
inline constexpr std::uint32_t kTreeMark = 0x0100;

// One counted reference on a URL's store entry. The record it gives is the store's, or, when the
// store already kept an older record for the URL, the caller's own record (a stand-in, destroyed
// with the hold). Move-only; gives up its reference when destroyed or reset.
class CUrlHold
{
public:
    CUrlHold() = default;
    CUrlHold(CUrlHold&& other) noexcept;
    CUrlHold& operator=(CUrlHold&& other) noexcept;
    ~CUrlHold() { Reset(); }

    CUrlHold(const CUrlHold&) = delete;
    CUrlHold& operator=(const CUrlHold&) = delete;

    CUrl* Get() const { return m_record; }
    CUrl& operator*() const { return *m_record; }
    CUrl* operator->() const { return m_record; }
    explicit operator bool() const { return m_record != nullptr; }
    // True when the record is the caller's own because the store kept an older one.
    bool IsStandIn() const { return m_standIn != nullptr; }

    // Gives up the reference now; destroys the record when nothing else holds it.
    void Reset();

private:
    friend class CUrlStore;
    CUrlHold(CUrlStore& store, CUrl* record, std::unique_ptr<CUrl> standIn)
        : m_store(&store), m_record(record), m_standIn(std::move(standIn))
    {
    }

    CUrlStore* m_store = nullptr;
    CUrl* m_record = nullptr;
    std::unique_ptr<CUrl> m_standIn;
};

// The one owner of shared records, keyed by their exact URL text. An entry lives while the site
// tree or the file list marks it or a hold remains; the store then destroys its record. Every
// operation is atomic with respect to the others and never calls out while locked.
class CUrlStore
{
public:
    CUrlStore() = default;
    // Destroys every record that is left. Every hold must be gone before.
    ~CUrlStore();

    CUrlStore(const CUrlStore&) = delete;
    CUrlStore& operator=(const CUrlStore&) = delete;

    // Takes a hold on the record's URL. When the URL has no entry yet the store adopts the record;
    // otherwise the hold keeps the record as a stand-in for the entry's older one.
    CUrlHold Add(std::unique_ptr<CUrl> record);
    // A hold on the entry's record; an empty hold when the URL has no entry.
    CUrlHold Hold(std::string_view url);

    // Sets a window's mark on the URL's entry, which a hold must keep alive meanwhile. Returns
    // the entry's record, nullptr when the URL has no entry (nothing is marked then).
    CUrl* Mark(CHolder kind, std::string_view url);
    // Takes a window's mark off. When no mark and no hold remain the entry goes and its record is
    // destroyed. An unknown URL is ignored.
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

    // Where the decision of a record that goes is kept, so that Why? still answers for a file
    // that was downloaded or removed from the list; nullptr keeps none. Set while no other
    // thread uses the store.
    void KeepDecisionsIn(CDecisionJournal* journal) { m_journal = journal; }

    // Records the store owns now; the statistics window shows it as "Allocated Urls".
    std::int32_t AllocatedUrls() const { return m_allocated.load(std::memory_order_relaxed); }
    // Entries that carry the file-list mark: the found files shown now.
    std::size_t ListedFiles() const { return m_listedFiles.load(std::memory_order_relaxed); }

private:
    friend class CUrlHold;

    struct CEntry
    {
        std::uint32_t marks = 0;
        std::int32_t count = 0;
        std::unique_ptr<CUrl> record;
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

    // Keyed by the entry's own record's text, which lives as long as the entry.
    using CMap = std::unordered_map<std::string_view, CEntry, CTextHash, std::equal_to<>>;

    // Gives up one counted reference; drops the entry when nothing holds it any more.
    void Unhold(std::string_view url);
    // Removes the entry when it is held no more; returns the record to destroy after unlocking.
    std::unique_ptr<CUrl> DropIfUnheld(CMap::iterator it);
    // Keeps a decided record's decision in the journal; outside the lock.
    void KeepDecision(const CUrl* doomed) const;
    std::uint32_t MarksOf(std::string_view url) const;
    // Keeps m_listedFiles when an entry's marks change from before to after; under m_mutex.
    void CountListed(std::uint32_t before, std::uint32_t after);

    mutable std::mutex m_mutex;
    CDecisionJournal* m_journal = nullptr;
    CMap m_entries;
    std::atomic<std::int32_t> m_allocated{0};
    // Changed only under m_mutex, so a plain load and store do; atomic for the readers outside.
    std::atomic<std::size_t> m_listedFiles{0};
};
