#include "cli/InterruptSignals.h"

#include <csignal>
#include <cstdlib>
#include <pthread.h>

namespace
{

// SIGUSR1 only wakes the signal thread when the run ends without a signal.
sigset_t WatchedSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGUSR1);
    return set;
}

} // namespace

int InterruptedStatus(int signal)
{
    return 128 + signal;
}

CInterruptSignals::CInterruptSignals(std::function<void(int)> onFirst)
    : m_onFirst(std::move(onFirst))
{
    const sigset_t set = WatchedSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    m_thread = std::thread([this] { Watch(); });
}

CInterruptSignals::~CInterruptSignals()
{
    m_stopping.store(true);
    pthread_kill(m_thread.native_handle(), SIGUSR1);
    m_thread.join();
}

void CInterruptSignals::Watch()
{
    const sigset_t set = WatchedSignals();
    for (;;)
    {
        int signal = 0;
        if (sigwait(&set, &signal) != 0)
            continue;
        if (signal == SIGUSR1)
        {
            if (m_stopping.load())
                return;
            continue;
        }
        int none = 0;
        if (m_received.compare_exchange_strong(none, signal))
        {
            m_onFirst(signal);
            continue;
        }
        // A second signal: the user wants out now, whatever is still being saved.
        std::_Exit(InterruptedStatus(m_received.load()));
    }
}
