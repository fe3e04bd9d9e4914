#pragma once

#include "core/UrlStore.h"
#include "url/Url.h"

#include <mutex>

// A locked list of results shown in a window; the window's commands take the same lock while
// they change what is shown. Lock order: the sink, then the store.
// Thread contract: any thread. The lock is held for one operation at a time and never across a
// wait for another thread (the targets queue what they are given for the window's thread), so
// every wait for it ends and nothing added is ever dropped.
class CUrlSink
{
public:
    explicit CUrlSink(CUrlStore& store) : m_store(store) {}
    virtual ~CUrlSink() = default;

    CUrlSink(const CUrlSink&) = delete;
    CUrlSink& operator=(const CUrlSink&) = delete;

    // Whether the record's URL is shown already.
    virtual bool IsShown(const CUrl& record) const = 0;

    void Lock() { m_mutex.lock(); }
    void Unlock() { m_mutex.unlock(); }

protected:
    CUrlStore& m_store;

private:
    std::mutex m_mutex;
};

// Holds a sink's lock for one scope.
class CSinkLock
{
public:
    explicit CSinkLock(CUrlSink& sink) : m_sink(sink) { m_sink.Lock(); }
    ~CSinkLock() { m_sink.Unlock(); }
    CSinkLock(const CSinkLock&) = delete;
    CSinkLock& operator=(const CSinkLock&) = delete;

private:
    CUrlSink& m_sink;
};
