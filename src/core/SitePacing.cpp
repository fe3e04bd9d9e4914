#include "core/SitePacing.h"

void CSitePacing::SetInterval(const std::string& siteRoot, std::chrono::milliseconds interval)
{
    std::lock_guard lock(m_mutex);
    m_sites[siteRoot] = CSite{interval, Clock::now() + interval};
}

std::chrono::milliseconds CSitePacing::Interval(const std::string& siteRoot) const
{
    std::lock_guard lock(m_mutex);
    const auto found = m_sites.find(siteRoot);
    return found == m_sites.end() ? std::chrono::milliseconds(0) : found->second.interval;
}

bool CSitePacing::WaitTurn(const std::string& siteRoot, const std::atomic<bool>& cancel)
{
    std::unique_lock lock(m_mutex);
    for (;;)
    {
        if (cancel.load())
            return false;
        const auto found = m_sites.find(siteRoot);
        if (found == m_sites.end() || found->second.interval.count() == 0)
            return true;
        CSite& site = found->second;
        const Clock::time_point now = Clock::now();
        if (now >= site.next)
        {
            site.next = now + site.interval;
            return true;
        }
        // Another thread may book the turn meanwhile: look again after every wake.
        m_changed.wait_until(lock, site.next);
    }
}

void CSitePacing::Wake()
{
    // Taking the lock orders the flag's store before a waiter's next look at it.
    {
        std::lock_guard lock(m_mutex);
    }
    m_changed.notify_all();
}

void CSitePacing::Clear()
{
    std::lock_guard lock(m_mutex);
    m_sites.clear();
}
