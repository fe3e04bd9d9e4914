#include "crawl/FollowDecision.h"

#include "net/MediaTypes.h"
#include "settings/ModeData.h"
#include "settings/Options.h"
#include "url/Url.h"

#include <algorithm>
#include <utility>

namespace
{

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && FindNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

// The first exclude entry found in the URL; empty when none is.
std::string_view ExcludeMatch(const CUrl& link, const COptions& options)
{
    std::string_view match;
    ForEachListEntry(options.m_excludes,
                     [&](std::string_view entry)
                     {
                         if (FindNoCase(link.m_url, entry) != std::string_view::npos)
                             match = entry;
                         return !match.empty();
                     });
    return match;
}

CDecision Refused(CVerdict verdict, CReason reason, std::uint32_t limit = 0, std::uint32_t text = 0)
{
    return CDecision{verdict, reason, 0, 0, limit, text};
}

} // namespace

CFollowRules::CFollowRules(const CModeData& mode, const COptions& options,
                           CInFileHistory inFileHistory)
    : m_mode(&mode), m_options(&options), m_inFileHistory(std::move(inFileHistory)),
      m_modeNameId(DecisionTextId(mode.m_name))
{
}

CDecision CFollowRules::DecideAsPage(const CUrl& link, const CUrl& page,
                                     const CFollowCounts& counts) const
{
    const CModeData& mode = *m_mode;
    if (link.m_pageKind != kPageKindPage)
        return Refused(CVerdict::NotFollowed, CReason::Unparsable);
    // Secure pages are crawled like plain ones: most sites today are served only over HTTPS.
    if (link.m_serviceType != kServiceHttp && link.m_serviceType != kServiceHttps)
        return Refused(CVerdict::NotFollowed, CReason::Scheme);
    if (const std::string_view entry = ExcludeMatch(link, *m_options); !entry.empty())
        return Refused(CVerdict::NotFollowed, CReason::Excluded, 0, DecisionTextId(entry));

    if (IsSameSite(link, page))
    {
        if (!mode.m_followParentSites && !link.Directory().starts_with(page.Directory()))
            return Refused(CVerdict::Shown, CReason::ParentDirectory, 0, m_modeNameId);
        if (static_cast<std::int64_t>(counts.localQueued) >= mode.m_localFollowMax)
            return Refused(CVerdict::Shown, CReason::LocalMaximum,
                           static_cast<std::uint32_t>(std::max(mode.m_localFollowMax, 0)),
                           m_modeNameId);
        return CDecision{CVerdict::Followed};
    }
    if (!mode.m_autoFollowExternal)
        return Refused(CVerdict::Shown, CReason::ExternalOff, 0, m_modeNameId);
    if (counts.depth >= mode.m_maxDepth)
        return Refused(CVerdict::Shown, CReason::Depth,
                       static_cast<std::uint32_t>(std::max(mode.m_maxDepth, 0)), m_modeNameId);
    if (counts.externalQueued >= mode.m_externalFollowMax)
        return Refused(CVerdict::Shown, CReason::ExternalMaximum, mode.m_externalFollowMax,
                       m_modeNameId);
    return CDecision{CVerdict::Followed};
}

CDecision CFollowRules::DecideAsFile(const CUrl& link) const
{
    const COptions& options = *m_options;
    // A web page must not be able to make the program copy local files into the download folder,
    // talk another protocol to some port, or hand a script to the user's browser.
    if (!IsTransferService(link.m_serviceType))
        return Refused(CVerdict::NotListed, CReason::Scheme);
    if (link.Extension().empty())
        return Refused(CVerdict::NotListed, CReason::NoExtension);
    const std::string_view typeMatch = FileTypeEntry(options.m_fileTypes, link.Extension());
    if (typeMatch.empty())
        return Refused(CVerdict::NotListed, CReason::NotInFileTypes, 0,
                       DecisionTextId(options.m_fileTypes));
    if (const std::string_view entry = ExcludeMatch(link, options); !entry.empty())
        return Refused(CVerdict::NotListed, CReason::Excluded, 0, DecisionTextId(entry));
    return CDecision{CVerdict::Listed,
                     options.m_autoDownload ? CReason::Downloading : CReason::FileType,
                     0,
                     0,
                     0,
                     DecisionTextId(typeMatch)};
}

bool CFollowRules::AsksSize(const CUrl& link, const CDecision& asFile) const
{
    return asFile.verdict == CVerdict::Listed && link.m_sizeState == kSizeNotAsked &&
           m_options->m_checkLength == kCheckLengthWhenFound;
}

CDecision CFollowRules::DecideFileSize(const CUrl& link, const CDecision& asFile) const
{
    if (asFile.verdict != CVerdict::Listed)
        return asFile;
    if (link.m_sizeState == kSizeKnown)
    {
        const std::uint64_t size = link.m_size;
        const std::uint64_t kilobytes = size / 1024;
        const std::uint64_t minimum = MinSizeK(*m_options);
        const std::uint64_t maximum = MaxSizeK(*m_options);
        if (kilobytes < minimum || kilobytes > maximum)
        {
            // Limits are within kSizeLimitKRange, so they fit the decision's 32-bit field.
            CDecision refused = Refused(
                CVerdict::NotListed, kilobytes < minimum ? CReason::TooSmall : CReason::TooLarge,
                static_cast<std::uint32_t>(kilobytes < minimum ? minimum : maximum));
            refused.SetSize(size);
            return refused;
        }
    }
    if (m_inFileHistory && m_inFileHistory(link.m_url))
        return Refused(CVerdict::NotListed, CReason::InFileHistory);
    return asFile;
}

CDecision CFollowRules::DecideByType(const CUrl& link, std::string_view contentType,
                                     std::string_view dispositionName) const
{
    const std::string type = BareMediaType(contentType);
    CDecision listed;
    if (IsGenericMediaType(type))
    {
        // The URL's extension as every other rule reads it.
        const std::string_view name = dispositionName.empty() ? link.FileName() : dispositionName;
        const std::string_view extension =
            dispositionName.empty() ? link.Extension() : NameExtension(dispositionName);
        if (!FileTypeEntry(m_options->m_fileTypes, extension).empty())
            listed =
                CDecision{CVerdict::Listed, CReason::ListedByName, 0, 0, 0, DecisionTextId(name)};
    }
    else
    {
        // The type's own extensions, then the name the answer gives.
        bool taken = !FileTypeEntry(m_options->m_fileTypes, NameExtension(dispositionName)).empty();
        // Whole entries only: a type may name one-letter extensions ("m") that would otherwise
        // take every entry beginning with that letter.
        for (const std::string& extension : CMediaTypes::System().ExtensionsOf(type))
            taken = taken || !FileTypeEntry(m_options->m_fileTypes, extension, true).empty();
        if (taken)
            listed =
                CDecision{CVerdict::Listed, CReason::ListedByType, 0, 0, 0, DecisionTextId(type)};
    }
    if (listed.verdict != CVerdict::Listed)
        return Refused(CVerdict::NotListed, CReason::TypeNotWanted, 0,
                       DecisionTextId(type.empty() ? std::string_view("none") : type));
    if (const std::string_view entry = ExcludeMatch(link, *m_options); !entry.empty())
        return Refused(CVerdict::NotListed, CReason::Excluded, 0, DecisionTextId(entry));
    // The headers gave the size, but the limits judge it when found only with that option, as
    // for a file found by its name.
    if (m_options->m_checkLength == kCheckLengthWhenFound)
        return DecideFileSize(link, listed);
    if (m_inFileHistory && m_inFileHistory(link.m_url))
        return Refused(CVerdict::NotListed, CReason::InFileHistory);
    return listed;
}

std::string_view FileTypeEntry(std::string_view fileTypes, std::string_view extension, bool whole)
{
    std::string_view match;
    if (extension.empty())
        return match;
    ForEachListEntry(fileTypes,
                     [&](std::string_view entry)
                     {
                         if (StartsWithNoCase(entry, extension) &&
                             (!whole || entry.size() == extension.size()))
                             match = entry;
                         return !match.empty();
                     });
    return match;
}

CDecision KeptDecision(const CUrl& link, const CDecision& asPage, const CDecision& asFile)
{
    return asFile.verdict == CVerdict::Listed || link.m_pageKind == kPageKindFile ? asFile : asPage;
}
