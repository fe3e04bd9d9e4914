#pragma once

#include "core/UrlSink.h"
#include "platform/SinkTargets.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

// The found-file list: its items are the URLs whose store entry carries the file-list mark.
class CFileSink : public CUrlSink
{
public:
    using CUrlSink::CUrlSink;

    // Binds the list control. Set before any worker adds, cleared only when none runs any more.
    void SetTarget(CFileListTarget* target) { m_target.store(target); }

    bool IsShown(const CUrl& record) const override;

    // Shows the held record unless its URL is shown already or the list is full; the store's
    // entry then carries the list's mark. False when it was not shown (or no list is bound);
    // the store is then unchanged. Waits for the lock as long as a command holds it.
    bool AddLocked(const CUrlHold& hold);

    // The most files the list takes; AddLocked refuses any beyond it. Before any worker adds.
    void SetLimit(std::size_t limit) { m_limit = limit; }
    // True once the list holds as many files as it may.
    bool IsFull() const { return m_store.ListedFiles() >= m_limit; }

    // The text of the size column: the size when it is known, "<Unknown>" when the server gave
    // none, empty when nobody asked yet.
    static std::string SizeText(const CUrl& record);

private:
    std::atomic<CFileListTarget*> m_target{nullptr};
    std::size_t m_limit = SIZE_MAX;
};
