#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>

// The least time between two page reads of one site, as its robots.txt asks with Crawl-delay,
// held across every browse thread. Keyed by the site's root ("http://host:port"). Any thread.
class CSitePacing
{
public:
    using Clock = std::chrono::steady_clock;

    // From now on the site's page reads are at least interval apart; the request just made
    // (robots.txt itself) counts as the last one.
    void SetInterval(const std::string& siteRoot, std::chrono::milliseconds interval);
    // The site's interval; zero when it has none.
    std::chrono::milliseconds Interval(const std::string& siteRoot) const;
    // Waits until the site may be asked for the next page and books that turn. True at once for
    // a site without an interval; false when cancel was set first (see Wake).
    bool WaitTurn(const std::string& siteRoot, const std::atomic<bool>& cancel);
    // A cancel flag was set: every waiter looks at its flag again.
    void Wake();
    // A new run starts without intervals. Not while a browse runs.
    void Clear();

private:
    struct CSite
    {
        std::chrono::milliseconds interval{0};
        Clock::time_point next;
    };

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::string, CSite> m_sites;
};
