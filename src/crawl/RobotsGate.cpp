#include "crawl/RobotsGate.h"

#include "core/TrawlerCore.h"
#include "net/InternetSession.h"
#include "net/UrlTransfers.h"
#include "url/Url.h"

namespace
{

bool IsWebUrl(const CUrl& url)
{
    return url.m_serviceType == kServiceHttp || url.m_serviceType == kServiceHttps;
}

} // namespace

std::string SiteRootOf(const CUrl& url)
{
    std::string root;
    url.GetSiteRoot(root);
    return root;
}

CRobotsAnswer CRobotsGate::AnswerFor(const CUrl& url, const COptions& options)
{
    if (!IsWebUrl(url))
        return {};
    std::string root = SiteRootOf(url);
    if (root == m_lastRoot)
        return m_lastAnswer;
    const bool obey = options.m_obeyRobots;
    CRobotsAnswer answer = m_core.m_robots.Get(root, [&] { return Read(root, obey); });
    m_lastRoot = std::move(root);
    m_lastAnswer = answer;
    return answer;
}

std::optional<CRobotsAnswer> CRobotsGate::Read(const std::string& siteRoot, bool obey)
{
    const CTransferContext& context = m_core.TransferContext();
    CUrl record(siteRoot + "/robots.txt");
    CPageAnswer page;
    const std::optional<std::string> text =
        FetchBody(record, context, &m_core.m_cancelBrowse, &page);
    if (m_core.m_cancelBrowse)
        return std::nullopt;
    CRobotsAnswer answer;
    if (text)
    {
        answer.rules = std::make_shared<const CRobotsRules>(*text, context.session.Agent());
        // Only obeying the file keeps to its pace.
        if (obey && answer.rules->CrawlDelay().count() > 0)
            m_core.m_pacing.SetInterval(siteRoot, answer.rules->CrawlDelay());
        return answer;
    }
    // A missing or refused file leaves the site open; so does a redirect that went nowhere.
    // 429 asks the reader to come back later, as a server in trouble does.
    const int status = page.refusedStatus;
    if (status >= 300 && status < 500 && status != 429)
        return answer;
    answer.unreachable = true;
    answer.status = static_cast<std::uint16_t>(status);
    if (obey)
        m_core.m_log.Write("Could not read %s (%s): nothing beyond the start pages is read from "
                           "that site\n",
                           record.m_url.c_str(),
                           page.problem.empty() ? "no answer" : page.problem.c_str());
    return answer;
}

std::optional<CDecision> CRobotsGate::Refusal(const CUrl& link, CVerdict verdict,
                                              const COptions& options)
{
    if (!options.m_obeyRobots || !IsWebUrl(link))
        return std::nullopt;
    const CRobotsAnswer answer = AnswerFor(link, options);
    CDecision refused{verdict};
    if (answer.unreachable)
    {
        refused.reason = CReason::RobotsUnreachable;
        refused.status = answer.status;
    }
    else
    {
        const CRobotsMatch match = answer.rules->Match(link.Object());
        if (match.allowed)
            return std::nullopt;
        refused.reason = CReason::RobotsDisallowed;
        refused.text = DecisionTextId(match.rule);
    }
    ++m_core.m_stats.m_robotsDisallowed;
    return refused;
}

bool CRobotsGate::Allows(const CUrl& link, const COptions& options)
{
    if (!options.m_obeyRobots || !IsWebUrl(link))
        return true;
    const CRobotsAnswer answer = AnswerFor(link, options);
    return !answer.unreachable && answer.rules->Match(link.Object()).allowed;
}
