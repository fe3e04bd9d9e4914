#pragma once

#include "url/Url.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

// A locked, duplicate-free list of records, served last in, first out. It does not own its
// records: whoever queues one holds a counted reference on it in the URL store.
// Thread contract: any thread; each operation waits at most kLockWait for the lock and does
// nothing when it does not get it.
class CUrlQueue
{
public:
    static constexpr std::chrono::milliseconds kLockWait{1000};

    // Appends the record unless its URL is queued already. False when it was not appended
    // (duplicate or lock time-out): the caller still holds whatever it took for the queue.
    // duplicate, when given, tells which of the two it was.
    bool Add(CUrl* record, bool* duplicate = nullptr);

    // Takes the most recently added record. False when the queue is empty or the lock was not
    // free in time.
    bool Pop(CUrl*& record);

    // The record at position index (0 = first added) without taking it; false when there is
    // none or the lock was not free in time.
    bool ItemAt(std::size_t index, CUrl*& record);

    // Number of items, read without the lock.
    std::size_t Count() const { return m_count.load(std::memory_order_relaxed); }

private:
    std::timed_mutex m_mutex;
    std::vector<CUrl*> m_items;
    // URL text to position, only to refuse duplicates.
    std::unordered_map<std::string, std::size_t> m_index;
    std::atomic<std::size_t> m_count{0};
};
