#pragma once

#include "url/LinkDecision.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class CModeData;
class COptions;
class CUrl;

// Whether a URL text is in the download history; an empty one is an empty history. Asked only
// of a file that passed every other rule, so a crawl looks up few links.
using CInFileHistory = std::function<bool(const std::string& url)>;

// How far the crawl has got when it meets a link: the pages queued on the page's site, the
// other sites queued from it, and the site level (1 for the site a browse began with).
struct CFollowCounts
{
    std::size_t localQueued = 0;
    std::size_t externalQueued = 0;
    int depth = 0;
};

// The follow and selection rules of one page: pure functions of a link's record and the page it
// was found on, given the mode, the options and the download history. They decide; the browse
// thread acts. Cheap to make and to copy; the mode, the options and the history lookup must
// outlive it.
class CFollowRules
{
public:
    CFollowRules(const CModeData& mode, const COptions& options, CInFileHistory inFileHistory);

    // The link as a page: Followed, Shown (put in the site tree, not followed) or NotFollowed.
    CDecision DecideAsPage(const CUrl& link, const CUrl& page, const CFollowCounts& counts) const;

    // The link as a file, in two steps because between them the browse thread may ask the size.
    // First by its text: NotListed and why, or the Listed decision it gets if the rest allows.
    CDecision DecideAsFile(const CUrl& link) const;
    // Whether the size is asked before the second step.
    bool AsksSize(const CUrl& link, const CDecision& asFile) const;
    // Then by a size known by now (none is no test), and by the download history.
    CDecision DecideFileSize(const CUrl& link, const CDecision& asFile) const;

    // A link whose answer is no page, by what its headers say: its media type, or, when that
    // says nothing (a stream of bytes, or none), the extension of the name Content-Disposition
    // gives, else of the URL. Listed when File Types takes it (exclude entries, the download
    // history and, with "check size when found", the size limits still apply); otherwise
    // NotListed with the type.
    CDecision DecideByType(const CUrl& link, std::string_view contentType,
                           std::string_view dispositionName) const;

private:
    const CModeData* m_mode;
    const COptions* m_options;
    CInFileHistory m_inFileHistory;
    // The mode's name in the decision texts, looked up once rather than for every link shown.
    std::uint32_t m_modeNameId;
};

// The decision a link's record keeps: a wanted file is listed whatever else it is; a link to a
// page is explained by the page.
CDecision KeptDecision(const CUrl& link, const CDecision& asPage, const CDecision& asFile);

// The File Types entry that takes extension (one that begins with it, or with whole, one that
// is it); empty when none does.
std::string_view FileTypeEntry(std::string_view fileTypes, std::string_view extension,
                               bool whole = false);

// The entries of a ";"-separated option text, empty entries skipped.
template <class Visit> void ForEachListEntry(std::string_view list, Visit visit)
{
    while (!list.empty())
    {
        const std::size_t end = list.find(';');
        const std::string_view entry = list.substr(0, end);
        if (!entry.empty() && visit(entry))
            return;
        if (end == std::string_view::npos)
            return;
        list.remove_prefix(end + 1);
    }
}
