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

std::string_view CSiteBrowser::ExcludeMatch(const CUrl& record) const
{
    std::string_view match;
    ForEachListEntry(m_options->m_excludes,
                     [&](std::string_view entry)
                     {
                         if (FindNoCase(record.m_url, entry) != std::string_view::npos)
                             match = entry;
                         return !match.empty();
                     });
    return match;
}

bool CSiteBrowser::IsExcluded(const CUrl& record) const
{
    return !ExcludeMatch(record).empty();
}

bool CSiteBrowser::Refuse(CVerdict verdict, CReason reason, std::uint32_t limit, std::uint32_t text)
{
    m_why = CDecision{verdict, reason, 0, 0, limit, text};
    return false;
}

bool CSiteBrowser::IsFollowable(const CUrl& link)
{
    if (link.m_pageKind == kPageKindUnparsable)
        return Refuse(CVerdict::NotFollowed, CReason::Unparsable);
    // Secure pages are crawled like plain ones: most sites today are served only over HTTPS.
    if (link.m_serviceType != kServiceHttp && link.m_serviceType != kServiceHttps)
        return Refuse(CVerdict::NotFollowed, CReason::Scheme);
    if (const std::string_view entry = ExcludeMatch(link); !entry.empty())
        return Refuse(CVerdict::NotFollowed, CReason::Excluded, 0, DecisionTextId(entry));
    return true;
}

bool CSiteBrowser::FollowLocal(const CUrl& page, const CUrl& link, const CUrlQueue& localQueue)
{
    if (!m_mode.m_followParentSites && !link.Directory().starts_with(page.Directory()))
        return Refuse(CVerdict::Shown, CReason::ParentDirectory, 0, m_modeNameId);
    if (static_cast<std::int64_t>(localQueue.Count()) >= m_mode.m_localFollowMax)
        return Refuse(CVerdict::Shown, CReason::LocalMaximum,
                      static_cast<std::uint32_t>(std::max(m_mode.m_localFollowMax, 0)),
                      m_modeNameId);
    return true;
}

bool CSiteBrowser::FollowExternal(const CUrl&, const CUrlQueue& externalQueue)
{
    if (!m_mode.m_autoFollowExternal)
        return Refuse(CVerdict::Shown, CReason::ExternalOff, 0, m_modeNameId);
    if (m_depth >= m_mode.m_maxDepth)
        return Refuse(CVerdict::Shown, CReason::Depth,
                      static_cast<std::uint32_t>(std::max(m_mode.m_maxDepth, 0)), m_modeNameId);
    if (externalQueue.Count() >= m_mode.m_externalFollowMax)
        return Refuse(CVerdict::Shown, CReason::ExternalMaximum, m_mode.m_externalFollowMax,
                      m_modeNameId);
    return true;
}

bool CSiteBrowser::IsWantedFile(CUrl& link)
{
    // A web page must not be able to make the program copy local files into the download folder,
    // talk another protocol to some port, or hand a script to the user's browser.
    if (!IsTransferService(link.m_serviceType))
        return Refuse(CVerdict::NotListed, CReason::Scheme);
    if (link.Extension().empty())
        return Refuse(CVerdict::NotListed, CReason::NoExtension);
    std::string_view typeMatch;
    ForEachListEntry(m_options->m_fileTypes,
                     [&](std::string_view entry)
                     {
                         if (StartsWithNoCase(entry, link.Extension()))
                             typeMatch = entry;
                         return !typeMatch.empty();
                     });
    if (typeMatch.empty())
        return Refuse(CVerdict::NotListed, CReason::NotInFileTypes, 0,
                      DecisionTextId(m_options->m_fileTypes));
    if (const std::string_view entry = ExcludeMatch(link); !entry.empty())
        return Refuse(CVerdict::NotListed, CReason::Excluded, 0, DecisionTextId(entry));

    if (link.m_sizeState == kSizeNotAsked && m_options->m_checkLength == kCheckLengthWhenFound)
        DetermineSize(link, m_core.TransferContext(), &m_core.m_cancelBrowse);
    if (link.m_sizeState == kSizeKnown)
    {
        const std::uint64_t size = link.m_size;
        const std::uint64_t kilobytes = size / 1024;
        const std::uint64_t minimum = MinSizeK(*m_options);
        const std::uint64_t maximum = MaxSizeK(*m_options);
        if (kilobytes < minimum || kilobytes > maximum)
        {
            // Limits are within kSizeLimitKRange, so they fit the decision's 32-bit field.
            Refuse(CVerdict::NotListed, kilobytes < minimum ? CReason::TooSmall : CReason::TooLarge,
                   static_cast<std::uint32_t>(kilobytes < minimum ? minimum : maximum));
            m_why.SetSize(size);
            return false;
        }
    }
    if (m_core.m_histories.m_fileHistory.Contains(link.m_url))
        return Refuse(CVerdict::NotListed, CReason::InFileHistory);
    m_why = CDecision{CVerdict::Listed,
                      m_options->m_autoDownload ? CReason::Downloading : CReason::FileType,
                      0,
                      0,
                      0,
                      DecisionTextId(typeMatch)};
    return true;
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
