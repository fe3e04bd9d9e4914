#include "core/TrawlerCore.h"
#include "core/UrlQueue.h"
#include "crawl/SiteBrowser.h"
#include "net/UrlTransfers.h"
#include "url/Url.h"

namespace
{

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && FindNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

} // namespace

bool CSiteBrowser::IsExcluded(const CUrl& record) const
{
    bool excluded = false;
    ForEachListEntry(m_options->m_excludes,
                     [&](std::string_view entry)
                     {
                         excluded = FindNoCase(record.m_url, entry) != std::string_view::npos;
                         return excluded;
                     });
    return excluded;
}

bool CSiteBrowser::IsFollowable(const CUrl& link) const
{
    // Secure pages are crawled like plain ones: most sites today are served only over HTTPS.
    const bool web = link.m_serviceType == kServiceHttp || link.m_serviceType == kServiceHttps;
    return web && link.m_pageKind != kPageKindUnparsable && !IsExcluded(link);
}

bool CSiteBrowser::FollowLocal(const CUrl& page, const CUrl& link, const CUrlQueue& localQueue)
{
    if (!m_mode.m_followParentSites &&
        link.m_directory.compare(0, page.m_directory.size(), page.m_directory) != 0)
        return false;
    return static_cast<std::int64_t>(localQueue.Count()) < m_mode.m_localFollowMax;
}

bool CSiteBrowser::FollowExternal(const CUrl&, const CUrlQueue& externalQueue)
{
    if (!m_mode.m_autoFollowExternal)
        return false;
    if (m_depth >= m_mode.m_maxDepth)
        return false;
    return externalQueue.Count() < m_mode.m_externalFollowMax;
}

bool CSiteBrowser::IsWantedFile(CUrl& link)
{
    // A web page must not be able to make the program copy local files into the download folder,
    // talk another protocol to some port, or hand a script to the user's browser.
    if (link.m_extension.empty() || !IsTransferService(link.m_serviceType))
        return false;
    bool typeMatches = false;
    ForEachListEntry(m_options->m_fileTypes,
                     [&](std::string_view entry)
                     {
                         typeMatches = StartsWithNoCase(entry, link.m_extension);
                         return typeMatches;
                     });
    if (!typeMatches || IsExcluded(link))
        return false;

    if (link.m_sizeState == kSizeNotAsked && m_options->m_checkLength == kCheckLengthWhenFound)
        DetermineSize(link, m_core.TransferContext(), &m_core.m_cancelBrowse);
    if (link.m_sizeState == kSizeKnown)
    {
        const std::uint32_t kilobytes = link.m_size / 1024;
        if (kilobytes < static_cast<std::uint32_t>(m_options->m_minSizeK) ||
            kilobytes > static_cast<std::uint32_t>(m_options->m_maxSizeK))
            return false;
    }
    return !m_core.m_histories.m_fileHistory.Contains(link.m_url);
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
