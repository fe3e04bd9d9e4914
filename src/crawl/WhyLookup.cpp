#include "crawl/WhyLookup.h"

#include "core/TrawlerCore.h"
#include "url/Url.h"
#include "url/UrlCanonicalizer.h"
#include "url/WhyText.h"

#include <algorithm>
#include <map>

namespace
{

// How many near URLs a "not met" answer names.
constexpr std::size_t kNearestShown = 5;

std::size_t CommonLength(std::string_view a, std::string_view b)
{
    const auto mismatch = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    return static_cast<std::size_t>(mismatch.first - a.begin());
}

bool StartsWithText(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && FindNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

} // namespace

std::optional<CLinkExplanation> ExplainLink(const CTrawlerCore& core, std::string_view url)
{
    CLinkExplanation link{std::string(url), {}, {}};
    if (core.m_urlStore.ReadDecision(url, link.decision, link.foundOn) &&
        link.decision.verdict != CVerdict::None)
        return link;
    if (auto kept = core.m_letGoDecisions.Find(url))
        return kept;
    if (core.m_urlStore.Find(url) != nullptr)
        return link;
    return std::nullopt;
}

std::vector<CLinkExplanation> ExplainAll(const CTrawlerCore& core)
{
    std::map<std::string, CLinkExplanation, std::less<>> all;
    for (CLinkExplanation& kept : core.m_letGoDecisions.Entries())
        all.insert_or_assign(kept.url, std::move(kept));
    for (const std::string& url : core.m_urlStore.Urls())
    {
        CLinkExplanation link{url, {}, {}};
        if (core.m_urlStore.ReadDecision(url, link.decision, link.foundOn) &&
            link.decision.verdict != CVerdict::None)
            all.insert_or_assign(url, std::move(link));
    }
    std::vector<CLinkExplanation> sorted;
    sorted.reserve(all.size());
    for (auto& [url, link] : all)
        sorted.push_back(std::move(link));
    return sorted;
}

std::vector<std::string> UrlsMet(const CTrawlerCore& core)
{
    std::vector<std::string> urls;
    for (CLinkExplanation& link : ExplainAll(core))
        urls.push_back(std::move(link.url));
    return urls;
}

std::vector<std::string> NearestMet(const std::vector<std::string>& met, std::string_view url,
                                    std::size_t count)
{
    const CUrl wanted{std::string(url)};
    std::string directory;
    wanted.GetBaseDirectory(directory);
    std::string site;
    wanted.GetSiteRoot(site);
    site += '/';
    std::vector<std::string> nearest;
    for (const std::string_view prefix : {std::string_view(directory), std::string_view(site)})
    {
        for (const std::string& candidate : met)
        {
            if (StartsWithText(candidate, prefix))
                nearest.push_back(candidate);
        }
        if (!nearest.empty() || wanted.Host().empty())
            break;
    }
    std::stable_sort(nearest.begin(), nearest.end(),
                     [&](const std::string& a, const std::string& b)
                     { return CommonLength(a, url) > CommonLength(b, url); });
    if (nearest.size() > count)
        nearest.resize(count);
    return nearest;
}

std::string WhyAnswer(const CTrawlerCore& core, std::string_view url)
{
    std::string text(url);
    if (auto link = ExplainLink(core, text))
        return WhyText(*link);
    const std::string withScheme = WithDefaultScheme(text);
    if (auto link = ExplainLink(core, withScheme))
        return WhyText(*link);
    // Links are kept in their normal form: the host may have been typed in capitals.
    if (auto link = ExplainLink(core, NormalizeUrl(withScheme)))
        return WhyText(*link);
    return NotMetText(NearestMet(UrlsMet(core), withScheme, kNearestShown));
}
