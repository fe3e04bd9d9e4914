#pragma once

#include "core/UrlSink.h"

class QObject;

// Holds a sink's lock for one scope on the user-interface thread. A worker may hold that lock
// while it waits for this thread to put its node or item into the window, so the insertions
// queued for the window are served while the lock is awaited; the wait still ends after
// CUrlSink::kLockWait, and the command then does nothing. Without a window nothing is served.
class CGuiSinkLock
{
public:
    CGuiSinkLock(CUrlSink& sink, QObject* window);
    ~CGuiSinkLock();
    CGuiSinkLock(const CGuiSinkLock&) = delete;
    CGuiSinkLock& operator=(const CGuiSinkLock&) = delete;

    bool OwnsLock() const { return m_owns; }
    // Leaves the lock held after this scope; the caller unlocks the sink.
    void Keep() { m_owns = false; }

private:
    CUrlSink& m_sink;
    bool m_owns = false;
};
