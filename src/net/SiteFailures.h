#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

// Requests in a row to one site that failed even after their retries. A site that reaches
// kGiveUpAfter is given up: the rest of its work this run fails at once, so a site that is down
// does not hold a crawl for hours. Any thread.
class CSiteFailures
{
public:
    static constexpr std::uint32_t kGiveUpAfter = 10;

    // Counts a request that failed after its retries. True only for the failure that gives the
    // site up.
    bool Failed(const std::string& site);
    // A request that the site answered: the count starts again (unless given up already).
    void Answered(const std::string& site);
    bool GivenUp(const std::string& site) const;

private:
    mutable std::mutex m_mutex;
    // The failures in a row; kGiveUpAfter and more once given up.
    std::unordered_map<std::string, std::uint32_t> m_inARow;
};
