#include "core/TrawlerCore.h"
#include "crawl/SiteBrowser.h"
#include "net/UrlTransfers.h"
#include "url/Url.h"

CFollowRules CSiteBrowser::MakeRules() const
{
    return CFollowRules(m_mode, *m_options,
                        [this](const std::string& url)
                        { return m_core.m_histories.m_fileHistory.Contains(url); });
}

CDecision CSiteBrowser::DecideFile(CUrl& link)
{
    const CDecision asFile = m_rules.DecideAsFile(link);
    if (asFile.verdict == CVerdict::Listed)
    {
        if (auto refused = m_robots.Refusal(link, CVerdict::NotListed, *m_options))
            return *refused;
    }
    if (m_rules.AsksSize(link, asFile))
        DetermineSize(link, m_core.TransferContext(), &m_core.m_cancelBrowse);
    return m_rules.DecideFileSize(link, asFile);
}

bool CSiteBrowser::ChecksFirst(const CUrl& page) const
{
    CCalendarTime stored;
    return m_mode.m_onlyIfModified && m_core.m_histories.m_urlHistory.Lookup(page.m_url, stored);
}

bool CSiteBrowser::IsUnchanged(CUrl& page, CTransfer* started)
{
    if (!m_mode.m_onlyIfModified)
        return false;
    CCalendarTime stored;
    if (!m_core.m_histories.m_urlHistory.Lookup(page.m_url, stored))
        return false;
    CCalendarTime lastModified;
    if (!CheckHeaders(page, m_core.TransferContext(), &lastModified, started))
        return false;
    if (lastModified.year == 0)
        return false;
    return lastModified == stored;
}
