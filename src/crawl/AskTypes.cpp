#include "core/TrawlerCore.h"
#include "crawl/SiteBrowser.h"
#include "net/MediaTypes.h"
#include "net/Transfer.h"
#include "net/UrlTransfers.h"
#include "url/Url.h"

#include <algorithm>
#include <memory>

namespace
{

// The headers of the link's answer: HEAD, else (many servers refuse HEAD alone, often with 405)
// a GET that stops once its headers are in. False when neither answered.
bool AskHeaders(CUrl& link, CTransfer& head, const CTransferContext& context,
                const std::atomic<bool>& cancel, CResponseFacts& facts)
{
    if (head.Open(link, true) == 0)
        return ReadHeaders(link, head, &facts);
    if (!head.WasRefused() || cancel)
        return false;
    CTransfer get(context, &cancel);
    return get.Open(link, false) == 0 && ReadHeaders(link, get, &facts);
}

} // namespace

bool CSiteBrowser::WaitsToBeAsked(CUrlHold& hold, const std::string& value, const CDecision& asPage,
                                  const CDecision& decision)
{
    const CUrl& link = *hold;
    if (!m_options->m_askTypeOfPageLinks || link.m_pageKind != kPageKindPage ||
        asPage.verdict == CVerdict::Followed || asPage.reason == CReason::Excluded ||
        asPage.reason == CReason::RobotsDisallowed || asPage.reason == CReason::RobotsUnreachable ||
        m_toAsk.size() >= kMaxAskedLinksPerPage ||
        (link.m_serviceType != kServiceHttp && link.m_serviceType != kServiceHttps))
        return false;
    // Asking is a request too.
    if (!m_robots.Allows(link, *m_options))
        return false;
    m_toAsk.push_back(CAskedLink{std::move(hold), value, decision, m_referer});
    return true;
}

void CSiteBrowser::AskTypes(const CUrl& page)
{
    std::vector<CAskedLink> asked = std::move(m_toAsk);
    m_toAsk.clear();
    const CTransferContext& context = m_core.TransferContext();
    // As many at once as the mode reads pages at once: the same connections, the same load.
    const auto atOnce = static_cast<std::size_t>(std::max(m_mode.PagesAtOnce(), 1));
    for (std::size_t from = 0; from < asked.size(); from += atOnce)
    {
        const std::size_t to = std::min(asked.size(), from + atOnce);
        std::vector<std::unique_ptr<CTransfer>> heads;
        CTransfer* last = nullptr;
        std::size_t started = 0;
        for (std::size_t i = from; i < to; ++i)
        {
            heads.push_back(std::make_unique<CTransfer>(context, &m_core.m_cancelBrowse));
            if (!m_core.m_cancelBrowse && heads.back()->StartAhead(*asked[i].hold, true))
            {
                last = heads.back().get();
                ++started;
            }
        }
        if (last != nullptr)
            last->SendAhead(started > 1);
        for (std::size_t i = from; i < to; ++i)
        {
            CAskedLink& link = asked[i];
            CResponseFacts facts;
            if (!m_core.m_cancelBrowse && !m_stoppedAtBound &&
                AskHeaders(*link.hold, *heads[i - from], context, m_core.m_cancelBrowse, facts) &&
                !IsPageMediaType(BareMediaType(facts.contentType)))
            {
                // Only a wanted type changes the decision: anything else stays the link it was.
                const CDecision byType =
                    m_rules.DecideByType(*link.hold, facts.contentType, facts.dispositionName);
                if (byType.verdict == CVerdict::Listed)
                {
                    link.decision = byType;
                    ListFile(link.hold);
                }
            }
            heads[i - from].reset();
            LetGoLink(std::move(link.hold), link.value,
                      link.foundOn ? std::string_view(*link.foundOn) : std::string_view(page.m_url),
                      link.decision);
        }
    }
}
