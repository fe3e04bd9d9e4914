#pragma once

#include "core/UrlStore.h"

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// A locked, duplicate-free list of held records, served last in, first out. A URL stays known
// to the queue (and is refused again) until it is popped, even when its hold was taken out.
// Thread contract: any thread; the lock is held for one operation.
class CUrlQueue
{
public:
    // Whether the queue refuses a URL it knows. A caller that never adds a URL twice saves the
    // queue a copy of every URL.
    enum class CDuplicates
    {
        Refused,
        NeverAdded,
    };
    explicit CUrlQueue(CDuplicates duplicates = CDuplicates::Refused) : m_duplicates(duplicates) {}

    // Keeps the hold unless its URL is queued already. False when it was not kept (a duplicate):
    // the hold is given up then.
    bool Add(CUrlHold hold);

    // Takes the most recently added hold (for a queue whose holds are never taken out). False
    // when the queue is empty.
    bool Pop(CUrlHold& hold);

    // The record at position index (0 = first added) without taking it; false when there is
    // none or its hold was taken out.
    bool ItemAt(std::size_t index, CUrl*& record);
    // Takes the hold at position index out; the position stays and its URL stays refused. An
    // empty hold when there is none.
    CUrlHold TakeAt(std::size_t index);

    // Gives up every hold and forgets every URL.
    void Clear();

    // Number of items, read without the lock.
    std::size_t Count() const { return m_count.load(std::memory_order_relaxed); }

private:
    std::mutex m_mutex;
    std::vector<CUrlHold> m_items;
    // URL text to position, only to refuse duplicates.
    std::unordered_map<std::string, std::size_t> m_index;
    std::atomic<std::size_t> m_count{0};
    const CDuplicates m_duplicates;
};
