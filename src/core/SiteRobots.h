#pragma once

#include "url/RobotsRules.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

// What a site's robots.txt came to.
struct CRobotsAnswer
{
    // The rules; allows everything when the file was missing or refused with a 4xx status.
    std::shared_ptr<const CRobotsRules> rules = std::make_shared<const CRobotsRules>();
    // No answer came after the retries (a 5xx status, a time-out, no connection): nothing of the
    // site beyond the start pages is read this run.
    bool unreachable = false;
    // The status that made it unreachable; 0 for no answer at all.
    std::uint16_t status = 0;
};

// Each site's robots.txt of this run, read once: the first thread that asks for a site reads it
// while any other that asks for the same site waits for that read. Keyed by the site's root
// ("http://host:port"). Any thread.
class CSiteRobots
{
public:
    // Reads a site's robots.txt; nothing when a cancel stopped the read (nothing is kept then,
    // and the next ask reads again).
    using CLoader = std::function<std::optional<CRobotsAnswer>()>;

    // The site's answer, loaded with load on the run's first ask. A waiter whose loader was
    // cancelled loads itself, with its own load.
    CRobotsAnswer Get(const std::string& siteRoot, const CLoader& load);
    // A new run reads every file again. Not while a browse runs.
    void Clear();

private:
    struct CEntry
    {
        bool loading = true;
        CRobotsAnswer answer;
    };

    std::mutex m_mutex;
    std::condition_variable m_loaded;
    std::map<std::string, CEntry> m_sites;
};
