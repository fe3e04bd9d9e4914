#include "net/SiteFailures.h"

bool CSiteFailures::Failed(const std::string& site)
{
    std::lock_guard lock(m_mutex);
    return ++m_inARow[site] == kGiveUpAfter;
}

void CSiteFailures::Answered(const std::string& site)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_inARow.find(site);
    if (it != m_inARow.end() && it->second < kGiveUpAfter)
        m_inARow.erase(it);
}

bool CSiteFailures::GivenUp(const std::string& site) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_inARow.find(site);
    return it != m_inARow.end() && it->second >= kGiveUpAfter;
}
