#include "core/SiteRobots.h"

CRobotsAnswer CSiteRobots::Get(const std::string& siteRoot, const CLoader& load)
{
    std::unique_lock lock(m_mutex);
    for (;;)
    {
        auto found = m_sites.find(siteRoot);
        if (found == m_sites.end())
            break;
        if (!found->second.loading)
            return found->second.answer;
        m_loaded.wait(lock);
    }
    m_sites.emplace(siteRoot, CEntry{});
    lock.unlock();
    // The read runs without the lock: other sites' answers are not held up by it.
    std::optional<CRobotsAnswer> answer = load();
    lock.lock();
    auto entry = m_sites.find(siteRoot);
    if (answer)
        entry->second = CEntry{false, *answer};
    else
        m_sites.erase(entry);
    lock.unlock();
    m_loaded.notify_all();
    return answer ? *answer : CRobotsAnswer{};
}

void CSiteRobots::Clear()
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_sites, [](const auto& site) { return !site.second.loading; });
}
