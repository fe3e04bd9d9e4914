#pragma once

#include "core/SiteRobots.h"
#include "url/LinkDecision.h"

#include <optional>
#include <string>

class CTrawlerCore;
class COptions;
class CUrl;

// The crawl's side of robots.txt: a link's site answer, read on the run's first ask (as a page
// is read), and whether it keeps the crawl from the link. Lives on one browse thread.
class CRobotsGate
{
public:
    explicit CRobotsGate(CTrawlerCore& core) : m_core(core) {}

    // The answer of the site of url (http and https; any other allows everything). With
    // "obey robots.txt" its Crawl-delay paces the site's page reads from now on.
    CRobotsAnswer AnswerFor(const CUrl& url, const COptions& options);
    // With "obey robots.txt": the decision (with verdict) that keeps the crawl from link, when
    // its site's robots.txt disallows it or could not be read; counted in the statistics.
    // Nothing when the link may be read or listed.
    std::optional<CDecision> Refusal(const CUrl& link, CVerdict verdict, const COptions& options);
    // The same test without a decision or a count.
    bool Allows(const CUrl& link, const COptions& options);

private:
    std::optional<CRobotsAnswer> Read(const std::string& siteRoot, bool obey);

    CTrawlerCore& m_core;
    // The answer last asked for: most links are of the site being read.
    std::string m_lastRoot;
    CRobotsAnswer m_lastAnswer;
};

// "http://host:port" of a URL as the run's per-site records key it (the default port left out).
std::string SiteRootOf(const CUrl& url);
