#pragma once

#include "core/UrlStore.h"
#include "url/Url.h"

#include <chrono>
#include <mutex>

// A locked list of results shown in a window; the window's commands take the same lock while
// they change what is shown. Lock order: the sink, then the store.
// Thread contract: any thread; every wait for the lock ends after kLockWait.
class CUrlSink
{
public:
    static constexpr std::chrono::milliseconds kLockWait{1000};

    explicit CUrlSink(CUrlStore& store) : m_store(store) {}
    virtual ~CUrlSink() = default;

    CUrlSink(const CUrlSink&) = delete;
    CUrlSink& operator=(const CUrlSink&) = delete;

    // Whether the record's URL is shown already.
    virtual bool IsShown(const CUrl& record) const = 0;

    // Waits for the lock; false when it was not free in time. Unlock only after a true Lock.
    bool Lock() { return m_mutex.try_lock() || m_mutex.try_lock_for(kLockWait); }
    // Takes the lock only when it is free now (a caller that must keep serving while it waits).
    bool TryLock() { return m_mutex.try_lock(); }
    void Unlock() { m_mutex.unlock(); }

    // Shows the held record unless its URL is shown already. True when the window took it; the
    // store's entry then carries the window's mark. False on a lock time-out, when it is shown
    // already, or when the window refused it; the store is then unchanged.
    bool AddLocked(const CUrlHold& hold);
    // AddLocked for a caller that already holds the lock (the user-interface thread, which
    // must serve waiting insertions while it waits for the lock).
    bool AddHoldingLock(const CUrlHold& hold);

protected:
    // Shows the record and marks its URL in the store; called with the lock held while a hold
    // keeps the entry. False when the window refused it.
    virtual bool Add(CUrl& record) = 0;

    CUrlStore& m_store;

private:
    std::timed_mutex m_mutex;
};

// Holds a sink's lock for one scope, when it could be taken in time.
class CSinkLock
{
public:
    explicit CSinkLock(CUrlSink& sink) : m_sink(sink), m_owns(sink.Lock()) {}
    ~CSinkLock()
    {
        if (m_owns)
            m_sink.Unlock();
    }
    CSinkLock(const CSinkLock&) = delete;
    CSinkLock& operator=(const CSinkLock&) = delete;

    bool OwnsLock() const { return m_owns; }

private:
    CUrlSink& m_sink;
    bool m_owns;
};
