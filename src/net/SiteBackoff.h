#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

class CUrl;

// The sites that told every request to hold off (a 429 or 503) and until when. One registry for
// the whole process, so that browse threads and download workers wait alike; each consults it
// before a request to a site. A site is its scheme, host and port (CUrl::GetSiteRoot).
class CSiteBackoff
{
public:
    using Clock = std::chrono::steady_clock;

    static CSiteBackoff& Shared();

    // Requests to site wait until then; a later block than one in force replaces it.
    void Block(const std::string& site, Clock::time_point until);
    // Until when requests to site wait; nothing when they need not wait now.
    std::optional<Clock::time_point> BlockedUntil(const std::string& site) const;
    // Tests: forgets every block.
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::unordered_map<std::string, Clock::time_point> m_until;
};

std::string SiteOf(const CUrl& record);
