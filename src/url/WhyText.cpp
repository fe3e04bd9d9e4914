#include "url/WhyText.h"

#include "url/Url.h"

#include <algorithm>

namespace
{

struct CVerdictText
{
    CVerdict verdict;
    std::string_view word;
    std::string_view lead;
};

constexpr CVerdictText kVerdicts[] = {
    {CVerdict::None, "undecided", "Not decided yet"},
    {CVerdict::Listed, "listed", "Listed"},
    {CVerdict::Followed, "followed", "Followed"},
    {CVerdict::Read, "read", "Read"},
    {CVerdict::Shown, "shown", "Not followed"},
    {CVerdict::NotFollowed, "not followed", "Not followed or shown"},
    {CVerdict::NotListed, "not listed", "Not listed"},
    {CVerdict::NotRead, "not read", "Not read"},
};

// A reason's words; {name} marks are filled from the link and its decision. A row with a
// verdict serves only that verdict; rows are tried in order.
struct CReasonText
{
    CReason reason;
    CVerdict verdict;
    std::string_view word;
    std::string_view text;
};

constexpr CReasonText kReasons[] = {
    {CReason::None, CVerdict::Read, "",
     "the page was read, and each of its links was followed, listed or skipped by the rules of "
     "the mode (ask about a link to learn which)"},
    {CReason::None, CVerdict::Followed, "", "queued to be read as a page"},
    {CReason::None, CVerdict::None, "", "the crawl has not come to it"},
    {CReason::StartPage, CVerdict::None, "start-page", "the page the browse began with"},
    {CReason::FileType, CVerdict::None, "file-type",
     "the extension '{ext}' matches the File Types entry '{text}'"},
    {CReason::Downloading, CVerdict::None, "downloading",
     "the extension '{ext}' matches the File Types entry '{text}', and files are downloaded "
     "automatically"},
    {CReason::NoExtension, CVerdict::None, "no-extension", "the URL names no file extension"},
    {CReason::Scheme, CVerdict::NotFollowed, "scheme",
     "'{scheme}' links are not followed (only http and https)"},
    {CReason::Scheme, CVerdict::None, "scheme",
     "'{scheme}' links are not transferred (only http, https and ftp)"},
    {CReason::Unparsable, CVerdict::None, "unparsable", "the URL could not be parsed"},
    {CReason::Excluded, CVerdict::None, "excluded", "it contains the Exclude entry '{text}'"},
    {CReason::NotInFileTypes, CVerdict::None, "not-in-file-types",
     "the extension '{ext}' is not in File Types ({text})"},
    {CReason::TooSmall, CVerdict::None, "too-small",
     "its size, {size}, is below the Min Size of {limit} KB"},
    {CReason::TooLarge, CVerdict::None, "too-large",
     "its size, {size}, is above the Max Size of {limit} KB"},
    {CReason::InFileHistory, CVerdict::None, "downloaded-before",
     "it is in the download history: it was downloaded before"},
    {CReason::ParentDirectory, CVerdict::None, "parent-directory",
     "the directory {dir} is {where} {pagedir}, where the link was found, and Follow Parent "
     "Sites is off (mode '{text}')"},
    {CReason::LocalMaximum, CVerdict::None, "local-maximum",
     "the site's Follow Max of {limit} pages was reached (mode '{text}')"},
    {CReason::ExternalOff, CVerdict::None, "other-site",
     "{host} is another site than the page's, and Automatically Follow is off for external "
     "sites (mode '{text}')"},
    {CReason::Depth, CVerdict::None, "depth",
     "{host} is another site, and the Max Depth of {limit} was reached (mode '{text}')"},
    {CReason::ExternalMaximum, CVerdict::None, "external-maximum",
     "{host} is another site, and the external Follow Max of {limit} sites was reached (mode "
     "'{text}')"},
    {CReason::Unchanged, CVerdict::None, "unchanged",
     "it is unchanged since it was last read, and the mode reads pages only if modified"},
    {CReason::Error, CVerdict::None, "error", "{error}"},
    {CReason::Cancelled, CVerdict::None, "cancelled", "the browse was cancelled before its turn"},
    {CReason::AnsweredElsewhere, CVerdict::None, "answered-elsewhere",
     "the server answered from another site, which is judged as a link of its own"},
    {CReason::CrawlBound, CVerdict::None, "crawl-bound",
     "the crawl had met more than {limit} links before its turn, and stopped there"},
    {CReason::ListedByType, CVerdict::None, "listed-by-type", "listed by its type {text}"},
    {CReason::ListedByName, CVerdict::None, "listed-by-name",
     "its type says nothing, and the extension of its name '{text}' is in File Types"},
    {CReason::TypeNotWanted, CVerdict::None, "type-not-wanted",
     "its type {text} is not a page, and File Types does not take it"},
    {CReason::RobotsDisallowed, CVerdict::None, "robots-disallowed",
     "disallowed by robots.txt (rule {text})"},
    {CReason::RobotsUnreachable, CVerdict::None, "robots-unreachable",
     "the site's robots.txt could not be read ({error}), so nothing beyond the start pages is "
     "read from the site"},
};

const CReasonText& ReasonRow(CReason reason, CVerdict verdict)
{
    for (const CReasonText& row : kReasons)
    {
        if (row.reason == reason && (row.verdict == CVerdict::None || row.verdict == verdict))
            return row;
    }
    return kReasons[2];
}

std::string SizeText(std::uint64_t bytes)
{
    return bytes < 1024 ? std::to_string(bytes) + " bytes" : std::to_string(bytes / 1024) + " KB";
}

std::string ErrorText(std::uint16_t status)
{
    if (status == 0)
        return "no answer came (no connection, a network error or a time-out)";
    return "the server answered with HTTP status " + std::to_string(status);
}

std::string DirectoryOf(const std::string& url)
{
    CUrl record(url);
    return record.Directory().empty() ? "/" : std::string(record.Directory());
}

std::string SchemeOf(std::string_view url)
{
    const std::size_t colon = url.find(':');
    return std::string(url.substr(0, colon == std::string_view::npos ? 0 : colon));
}

std::string Fill(std::string_view pattern, const CLinkExplanation& link)
{
    const CDecision& decision = link.decision;
    std::string out;
    while (!pattern.empty())
    {
        const std::size_t open = pattern.find('{');
        out.append(pattern.substr(0, open));
        if (open == std::string_view::npos)
            break;
        const std::size_t close = pattern.find('}', open);
        const std::string_view name = pattern.substr(open + 1, close - open - 1);
        pattern.remove_prefix(close + 1);
        if (name == "ext")
            out += CUrl(link.url).Extension();
        else if (name == "text")
            out += DecisionText(decision.text);
        else if (name == "size")
            out += SizeText(decision.Size());
        else if (name == "limit")
            out += std::to_string(decision.limit);
        else if (name == "scheme")
            out += SchemeOf(link.url);
        else if (name == "host")
            out += CUrl(link.url).Host();
        else if (name == "dir")
            out += DirectoryOf(link.url);
        else if (name == "pagedir")
            out += DirectoryOf(link.foundOn);
        else if (name == "where")
            out +=
                DirectoryOf(link.foundOn).starts_with(DirectoryOf(link.url)) ? "above" : "outside";
        else if (name == "error")
            out += ErrorText(decision.status);
    }
    return out;
}

} // namespace

std::string_view VerdictWord(CVerdict verdict)
{
    for (const CVerdictText& row : kVerdicts)
    {
        if (row.verdict == verdict)
            return row.word;
    }
    return kVerdicts[0].word;
}

std::string_view ReasonWord(CReason reason)
{
    return ReasonRow(reason, CVerdict::None).word;
}

std::string ValueText(const CDecision& decision)
{
    switch (decision.reason)
    {
    case CReason::TooSmall:
    case CReason::TooLarge:
        return std::to_string(decision.Size()) + " bytes, limit " + std::to_string(decision.limit) +
               " KB";
    case CReason::LocalMaximum:
    case CReason::Depth:
    case CReason::ExternalMaximum:
        return std::to_string(decision.limit);
    case CReason::Error:
    case CReason::RobotsUnreachable:
        return std::to_string(decision.status);
    default:
        return DecisionText(decision.text);
    }
}

std::string WhyText(const CLinkExplanation& link)
{
    const CDecision& decision = link.decision;
    std::string text(kVerdicts[0].lead);
    for (const CVerdictText& row : kVerdicts)
    {
        if (row.verdict == decision.verdict)
            text = row.lead;
    }
    text += ": " + Fill(ReasonRow(decision.reason, decision.verdict).text, link) + ".";
    if (!link.foundOn.empty())
        text += " Found on " + link.foundOn + ".";
    return text;
}

std::string NotMetText(const std::vector<std::string>& nearest)
{
    std::string text = "Not met in this session: no page that was read links to it.";
    if (nearest.empty())
        return text;
    text += " Nearest URLs met:";
    for (std::size_t i = 0; i < nearest.size(); ++i)
        text += (i == 0 ? " " : ", ") + nearest[i];
    return text + ".";
}
