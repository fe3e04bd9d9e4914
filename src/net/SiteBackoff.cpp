#include "net/SiteBackoff.h"

#include "url/Url.h"

#include <iterator>

CSiteBackoff& CSiteBackoff::Shared()
{
    static CSiteBackoff registry;
    return registry;
}

void CSiteBackoff::Block(const std::string& site, Clock::time_point until)
{
    const Clock::time_point now = Clock::now();
    std::lock_guard lock(m_mutex);
    // Blocks that have passed go here, so the registry stays as small as the sites that asked.
    for (auto it = m_until.begin(); it != m_until.end();)
        it = it->second <= now ? m_until.erase(it) : std::next(it);
    Clock::time_point& entry = m_until[site];
    if (entry < until)
        entry = until;
}

std::optional<CSiteBackoff::Clock::time_point>
CSiteBackoff::BlockedUntil(const std::string& site) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_until.find(site);
    if (it == m_until.end() || it->second <= Clock::now())
        return std::nullopt;
    return it->second;
}

void CSiteBackoff::Clear()
{
    std::lock_guard lock(m_mutex);
    m_until.clear();
}

std::string SiteOf(const CUrl& record)
{
    std::string site;
    record.GetSiteRoot(site);
    return site;
}
