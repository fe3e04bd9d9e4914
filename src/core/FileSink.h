#pragma once

#include "core/UrlSink.h"
#include "platform/EventPoster.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

// The found-file list: its items are the URLs whose store entry carries the file-list mark.
class CFileSink : public CUrlSink
{
public:
    CFileSink(CUrlStore& store, CEventPoster& events) : CUrlSink(store), m_events(events) {}

    bool IsShown(const CUrl& record) const override;

    // Lists the held record unless its URL is listed already or the list is full: the store's
    // entry then carries the list's mark and the front-end hears of it as a found file, in the
    // order of the calls. False when it was not listed (or no front-end listens); the store is
    // then unchanged. Waits for the lock as long as a command holds it.
    bool AddLocked(const CUrlHold& hold);

    // The most files the list takes; AddLocked refuses any beyond it. Before any worker adds.
    void SetLimit(std::size_t limit) { m_limit = limit; }
    // True once the list holds as many files as it may.
    bool IsFull() const { return m_store.ListedFiles() >= m_limit; }

    // The text of the size column: the size when it is known, "<Unknown>" when the server gave
    // none, empty when nobody asked yet.
    static std::string SizeText(const CUrl& record);

private:
    CEventPoster& m_events;
    std::size_t m_limit = SIZE_MAX;
};
