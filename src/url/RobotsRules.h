#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Only this much of a robots.txt is read: site owners keep theirs far smaller, and every link
// of the site is matched against what is kept.
inline constexpr std::size_t kMaxRobotsBytes = 512 * 1024;
// A Crawl-delay above this is read as this: a day between two pages would stall the crawl for
// good, and the retries' longest back-off is the same.
inline constexpr std::chrono::seconds kMaxCrawlDelay{60};

// What robots.txt says of one path.
struct CRobotsMatch
{
    bool allowed = true;
    // The Disallow pattern that refused the path, as the file wrote it; empty when allowed.
    std::string rule;
};

// The rules of one site's robots.txt for one agent: the group that names the agent (the
// longest name that begins its product token, any letter case), else the "*" group. Of the
// Allow and Disallow patterns that match a path the longest wins, Allow on a tie; "*" stands
// for any run of characters and a final "$" ends the path. A default-made object allows
// everything (no robots.txt, or one refused with a 4xx status). Immutable once made, so
// threads share it.
class CRobotsRules
{
public:
    CRobotsRules() = default;
    // agent: the program's agent string; its product token (up to the first "/", blank or ";")
    // is what the groups are matched against.
    CRobotsRules(std::string_view text, std::string_view agent);

    // pathAndQuery: the URL's path and query as the canonical URL writes them ("/a/b?x=1").
    CRobotsMatch Match(std::string_view pathAndQuery) const;
    // The group's Crawl-delay (at most kMaxCrawlDelay); zero when it gives none.
    std::chrono::milliseconds CrawlDelay() const { return m_crawlDelay; }
    // The Sitemap lines of the whole file, in their order.
    const std::vector<std::string>& Sitemaps() const { return m_sitemaps; }
    // The number of Allow and Disallow patterns that apply to the agent.
    std::size_t RuleCount() const { return m_rules.size(); }

private:
    struct CRule
    {
        std::string pattern; // percent escapes in upper case, other bytes above 127 escaped
        bool allow = false;
        std::string written; // as the file wrote it
    };

    std::vector<CRule> m_rules;
    std::chrono::milliseconds m_crawlDelay{0};
    std::vector<std::string> m_sitemaps;
};

// True when pattern (robots.txt syntax: "*" any run, a final "$" the end) matches the start of
// path.
bool RobotsPatternMatches(std::string_view pattern, std::string_view path);
