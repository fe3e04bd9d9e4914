#pragma once

#include <atomic>
#include <functional>
#include <thread>

// SIGINT and SIGTERM for a run without a window: the first one asks the run to end as its end
// would (work cancelled, histories saved, found files printed), a second one ends the process at
// once with the status of the first. The signals are blocked in every thread and taken by one
// thread of this object's own, so no handler runs inside the engine's locks. Construct it before
// any other thread starts: threads inherit the blocked signals from the one that starts them.
class CInterruptSignals
{
public:
    // onFirst runs on the signal thread with the signal's number.
    explicit CInterruptSignals(std::function<void(int)> onFirst);
    ~CInterruptSignals();
    CInterruptSignals(const CInterruptSignals&) = delete;
    CInterruptSignals& operator=(const CInterruptSignals&) = delete;

    // The first signal taken, 0 while none came.
    int Received() const { return m_received.load(); }

private:
    void Watch();

    std::function<void(int)> m_onFirst;
    std::atomic<int> m_received{0};
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

// The exit status of a run ended by signal: 128 and its number (130 for SIGINT, 143 for SIGTERM).
int InterruptedStatus(int signal);
