#pragma once

#include <chrono>
#include <mutex>

// A lock on mutex that gives up after wait (then it owns nothing). A free mutex is taken
// without the timed wait, which reads the clock first: these locks are taken several times for
// every page a crawl reads.
template <class TimedMutex>
std::unique_lock<TimedMutex> LockWithin(TimedMutex& mutex, std::chrono::milliseconds wait)
{
    std::unique_lock lock(mutex, std::try_to_lock);
    if (!lock.owns_lock())
        (void)lock.try_lock_for(wait);
    return lock;
}
