#include "session/RunFlags.h"

#include "platform/AsciiText.h"
#include "settings/ModeData.h"
#include "settings/Options.h"

#include <cctype>
#include <filesystem>
#include <limits>
#include <sys/stat.h>

namespace
{

constexpr std::int64_t kIntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::string_view kCheckSizeWords[] = {"never", "found", "download"};
// In the order of kDuplicateSkip, kDuplicateRename, kDuplicateOverwrite, kDuplicateSkipSameSize.
constexpr std::string_view kDuplicateWords[] = {"skip", "rename", "overwrite", "same-size"};

using V = EFlagValue;
using G = EFlagGroup;
using R = CReason;

// No name begins with another, nor with a keyword of the command line: names match by prefix.
constexpr CRunFlag kFlags[] = {
    {"types",
     V::List,
     G::Find,
     0,
     0,
     {},
     "file types to list, e.g. pdf,zip",
     {R::NotInFileTypes, R::FileType}},
    {"exclude",
     V::List,
     G::Find,
     0,
     0,
     {},
     "URLs containing any of these are skipped",
     {R::Excluded}},
    {"keywords",
     V::List,
     G::Find,
     0,
     0,
     {},
     "pages that contain any of these words are listed too"},
    {"min-size", V::Number, G::Find, 0, kIntMax, {}, "smallest file size in KB", {R::TooSmall}},
    {"max-size", V::Number, G::Find, 0, kIntMax, {}, "largest file size in KB", {R::TooLarge}},
    {"check-size", V::Choice, G::Find, 0, 0, kCheckSizeWords,
     "when to ask the server a file's size"},
    {"download", V::Switch, G::Download, 0, 0, {}, "download what is found", {R::Downloading}},
    {"dir", V::Folder, G::Download, 0, 0, {}, "download folder"},
    {"duplicates", V::Choice, G::Download, 0, 0, kDuplicateWords,
     "what to do with a file that exists already"},
    {"workers",
     V::Number,
     G::Download,
     kDownloadThreadsRange.minimum,
     kDownloadThreadsRange.maximum,
     {},
     "files downloaded at once"},
    {"limit-rate",
     V::Number,
     G::Download,
     kBandwidthLimitKRange.minimum,
     kBandwidthLimitKRange.maximum,
     {},
     "all downloads together at most KB a second (0: no limit)"},
    {"at-once", V::Number, G::Crawl, 1, kMaxPagesAtOnce, {}, "pages read at once"},
    {"depth",
     V::Number,
     G::Crawl,
     0,
     kIntMax,
     {},
     "levels of links to other sites followed",
     {R::Depth}},
    {"follow-max",
     V::Number,
     G::Crawl,
     0,
     kIntMax,
     {},
     "most pages followed on the site",
     {R::LocalMaximum}},
    {"external-max",
     V::Number,
     G::Crawl,
     0,
     kIntMax,
     {},
     "most pages followed on other sites",
     {R::ExternalMaximum}},
    {"follow-external",
     V::Switch,
     G::Crawl,
     0,
     0,
     {},
     "follow links to other sites",
     {R::ExternalOff}},
    {"parents",
     V::Switch,
     G::Crawl,
     0,
     0,
     {},
     "follow links to parent folders",
     {R::ParentDirectory}},
    {"only-modified",
     V::Switch,
     G::Crawl,
     0,
     0,
     {},
     "read only pages changed since last time",
     {R::Unchanged}},
    {"timeout",
     V::Number,
     G::Crawl,
     kConnectTimeoutRange.minimum,
     kConnectTimeoutRange.maximum,
     {},
     "seconds to wait for a server"},
    {"retries",
     V::Number,
     G::Crawl,
     kConnectRetriesRange.minimum,
     kConnectRetriesRange.maximum,
     {},
     "times a failed request is tried again"},
    {"rate",
     V::Number,
     G::Crawl,
     kSiteRequestRateRange.minimum,
     kSiteRequestRateRange.maximum,
     {},
     "at most N requests a second to one site (0: no limit)"},
    {"connections",
     V::Number,
     G::Crawl,
     kSiteConnectionsRange.minimum,
     kSiteConnectionsRange.maximum,
     {},
     "at most N connections to one site (0: no limit)"},
    {"robots",
     V::Switch,
     G::Crawl,
     0,
     0,
     {},
     "obey the site's robots.txt",
     {R::RobotsDisallowed, R::RobotsUnreachable}},
    {"use-sitemap", V::Switch, G::Crawl, 0, 0, {}, "read the site's sitemap (site mode)"},
    {"logins", V::Switch, G::Crawl, 0, 0, {}, "answer password requests (never asked here)"},
    {"history",
     V::Switch,
     G::Crawl,
     0,
     0,
     {},
     "read and write the page and download histories",
     {R::InFileHistory}},
};

std::string LowerText(std::string_view text)
{
    std::string lower;
    for (const char c : text)
        lower += AsciiLower(c);
    return lower;
}

// The entries of a list, blanks around them dropped, empty ones skipped.
std::vector<std::string> SplitList(std::string_view text)
{
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start <= text.size())
    {
        std::size_t end = text.find_first_of(",;", start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view entry = text.substr(start, end - start);
        while (!entry.empty() && std::isspace(static_cast<unsigned char>(entry.front())))
            entry.remove_prefix(1);
        while (!entry.empty() && std::isspace(static_cast<unsigned char>(entry.back())))
            entry.remove_suffix(1);
        if (!entry.empty())
            entries.emplace_back(entry);
        start = end + 1;
    }
    return entries;
}

std::string JoinList(const std::vector<std::string>& entries)
{
    std::string text;
    for (const std::string& entry : entries)
        text += (text.empty() ? "" : ";") + entry;
    return text;
}

// A whole number, sign allowed; nullopt for anything else (or beyond 64 bits).
std::optional<std::int64_t> ParseNumber(std::string_view text)
{
    std::size_t pos = text.size() > 1 && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (pos == text.size() || text.size() - pos > 18)
        return std::nullopt;
    std::int64_t value = 0;
    for (std::size_t i = pos; i < text.size(); ++i)
    {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return text[0] == '-' ? -value : value;
}

int ChoiceIndex(const CRunFlag& flag, std::string_view value)
{
    const std::string lower = LowerText(value);
    for (std::size_t i = 0; i < flag.words.size(); ++i)
        if (flag.words[i] == lower)
            return static_cast<int>(i);
    return -1;
}

bool SwitchValue(std::string_view value)
{
    return LowerText(value) == "on";
}

std::string CheckOne(const CRunFlag& flag, const std::string& value)
{
    switch (flag.value)
    {
    case V::Number:
    {
        const std::optional<std::int64_t> number = ParseNumber(value);
        if (!number)
            return "\"" + value + "\" is not a whole number";
        if (*number < flag.minimum || *number > flag.maximum)
            return "enter a number between " + std::to_string(flag.minimum) + " and " +
                   std::to_string(flag.maximum);
        return {};
    }
    case V::Switch:
    {
        const std::string lower = LowerText(value);
        return lower == "on" || lower == "off" ? std::string()
                                               : "takes on or off, not \"" + value + "\"";
    }
    case V::List:
        return SplitList(value).empty() && flag.name == "types" ? "names no file type"
                                                                : std::string();
    case V::Choice:
    {
        if (ChoiceIndex(flag, value) >= 0)
            return {};
        std::string words;
        for (const std::string_view word : flag.words)
            words += (words.empty() ? "" : "|") + std::string(word);
        return "takes " + words + ", not \"" + value + "\"";
    }
    case V::Folder:
    {
        if (value.empty())
            return "names no folder";
        struct stat info
        {
        };
        if (::stat(value.c_str(), &info) == 0 && !S_ISDIR(info.st_mode))
            return value + " is a file, not a folder";
        return {};
    }
    }
    return {};
}

std::string CurrentValue(const CRunFlag& flag, const COptions& o, const CModeData& m)
{
    const auto onOff = [](bool on) { return std::string(on ? "on" : "off"); };
    const std::string_view name = flag.name;
    if (name == "types")
        return o.m_fileTypes;
    if (name == "exclude")
        return o.m_excludes;
    if (name == "keywords")
        return JoinList(o.m_keywords);
    if (name == "min-size")
        return std::to_string(o.m_minSizeK);
    if (name == "max-size")
        return std::to_string(o.m_maxSizeK);
    if (name == "check-size")
        return o.m_checkLength >= 0 && o.m_checkLength < 3
                   ? std::string(kCheckSizeWords[o.m_checkLength])
                   : "";
    if (name == "download")
        return onOff(o.m_autoDownload);
    if (name == "dir")
        return o.m_downloadDir;
    if (name == "duplicates")
        return o.m_duplicateAction >= 0 && o.m_duplicateAction < 4
                   ? std::string(kDuplicateWords[o.m_duplicateAction])
                   : "";
    if (name == "workers")
        return std::to_string(o.m_downloadThreads);
    if (name == "limit-rate")
        return std::to_string(o.m_bandwidthLimitK);
    if (name == "retries")
        return std::to_string(o.m_connectRetries);
    if (name == "rate")
        return std::to_string(o.m_siteRequestRate);
    if (name == "connections")
        return std::to_string(o.m_siteConnections);
    if (name == "robots")
        return onOff(o.m_obeyRobots);
    if (name == "use-sitemap")
        return onOff(o.m_readSitemap);
    if (name == "at-once")
        return std::to_string(m.PagesAtOnce());
    if (name == "depth")
        return std::to_string(m.m_maxDepth);
    if (name == "follow-max")
        return std::to_string(m.m_localFollowMax);
    if (name == "external-max")
        return std::to_string(m.m_externalFollowMax);
    if (name == "follow-external")
        return onOff(m.m_autoFollowExternal);
    if (name == "parents")
        return onOff(m.m_followParentSites);
    if (name == "only-modified")
        return onOff(m.m_onlyIfModified);
    if (name == "timeout")
        return std::to_string(o.m_connectTimeout);
    if (name == "logins")
        return onOff(o.m_passwordLogins);
    if (name == "history")
        return onOff(o.m_rememberPages && o.m_rememberDownloads);
    return {};
}

} // namespace

std::span<const CRunFlag> RunFlags()
{
    return kFlags;
}

const CRunFlag* FindRunFlag(std::string_view text)
{
    for (const CRunFlag& flag : kFlags)
        if (AsciiStartsWithNoCase(text, flag.name))
            return &flag;
    return nullptr;
}

std::string CheckRunSettings(const std::vector<CRunSetting>& settings)
{
    for (const CRunSetting& setting : settings)
        if (std::string problem = CheckOne(*setting.flag, setting.value); !problem.empty())
            return "-" + std::string(setting.flag->name) + ": " + problem;
    return {};
}

void ApplyRunSettings(const std::vector<CRunSetting>& settings, COptions& o)
{
    for (const CRunSetting& setting : settings)
    {
        const std::string_view name = setting.flag->name;
        const std::string& value = setting.value;
        const auto number = [&] { return static_cast<std::int32_t>(*ParseNumber(value)); };
        if (name == "types")
        {
            std::vector<std::string> types;
            for (std::string entry : SplitList(value))
            {
                entry.erase(0, entry.find_first_not_of('.'));
                for (char& c : entry)
                    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                if (!entry.empty())
                    types.push_back(entry);
            }
            o.m_fileTypes = JoinList(types);
        }
        else if (name == "exclude")
            o.m_excludes = JoinList(SplitList(value));
        else if (name == "keywords")
            o.m_keywords = SplitList(value);
        else if (name == "min-size")
            o.m_minSizeK = number();
        else if (name == "max-size")
            o.m_maxSizeK = number();
        else if (name == "check-size")
            o.m_checkLength = ChoiceIndex(*setting.flag, value);
        else if (name == "download")
            o.m_autoDownload = SwitchValue(value);
        else if (name == "dir")
        {
            std::string folder = std::filesystem::absolute(value).lexically_normal().string();
            if (folder.empty() || folder.back() != '/')
                folder += '/';
            o.m_downloadDir = folder;
        }
        else if (name == "duplicates")
            o.m_duplicateAction = ChoiceIndex(*setting.flag, value);
        else if (name == "workers")
            o.m_downloadThreads = number();
        else if (name == "limit-rate")
            o.m_bandwidthLimitK = number();
        else if (name == "retries")
            o.m_connectRetries = number();
        else if (name == "rate")
            o.m_siteRequestRate = number();
        else if (name == "connections")
            o.m_siteConnections = number();
        else if (name == "robots")
            o.m_obeyRobots = SwitchValue(value);
        else if (name == "use-sitemap")
            o.m_readSitemap = SwitchValue(value);
        else if (name == "timeout")
            o.m_connectTimeout = number();
        else if (name == "logins")
            o.m_passwordLogins = SwitchValue(value);
        else if (name == "history")
            o.m_rememberPages = o.m_rememberDownloads = SwitchValue(value);
    }
}

void ApplyRunSettings(const std::vector<CRunSetting>& settings, CModeData& m)
{
    for (const CRunSetting& setting : settings)
    {
        const std::string_view name = setting.flag->name;
        const std::string& value = setting.value;
        const auto number = [&] { return static_cast<std::int32_t>(*ParseNumber(value)); };
        if (name == "at-once")
            m.m_reserved = number();
        else if (name == "depth")
            m.m_maxDepth = number();
        else if (name == "follow-max")
            m.m_localFollowMax = number();
        else if (name == "external-max")
            m.m_externalFollowMax = static_cast<std::uint32_t>(number());
        else if (name == "follow-external")
            m.m_autoFollowExternal = SwitchValue(value);
        else if (name == "parents")
            m.m_followParentSites = SwitchValue(value);
        else if (name == "only-modified")
            m.m_onlyIfModified = SwitchValue(value);
    }
}

std::optional<std::string> RunSettingValue(const std::vector<CRunSetting>& settings,
                                           std::string_view name)
{
    std::optional<std::string> value;
    for (const CRunSetting& setting : settings)
        if (setting.flag->name == name)
            value = setting.flag->value == V::Switch || setting.flag->value == V::Choice
                        ? LowerText(setting.value)
                        : setting.value;
    return value;
}

std::string RunSettingNames(const std::vector<CRunSetting>& settings)
{
    std::string names;
    for (const CRunSetting& setting : settings)
        names += (names.empty() ? "-" : ", -") + std::string(setting.flag->name);
    return names;
}

std::string FlagBehind(const CDecision& decision, const std::vector<CRunSetting>& settings)
{
    if (decision.reason == CReason::None)
        return {};
    for (const CRunSetting& setting : settings)
        for (const CReason reason : setting.flag->reasons)
            if (reason == decision.reason)
                return "-" + std::string(setting.flag->name);
    return {};
}

std::string RunFlagsHelp(const COptions& options, const CModeData& mode)
{
    static constexpr std::pair<EFlagGroup, std::string_view> kGroups[] = {
        {G::Find, "What to find"}, {G::Download, "What to download"}, {G::Crawl, "How to crawl"}};
    std::string help;
    for (const auto& [group, title] : kGroups)
    {
        help += std::string(title) + " (for this run only; -save keeps them):\n";
        for (const CRunFlag& flag : kFlags)
        {
            if (flag.group != group)
                continue;
            std::string left = "  -" + std::string(flag.name) + " ";
            switch (flag.value)
            {
            case V::Number:
                left += "N";
                break;
            case V::Switch:
                left += "on|off";
                break;
            case V::List:
                left += "LIST";
                break;
            case V::Choice:
                for (std::size_t i = 0; i < flag.words.size(); ++i)
                    left += (i == 0 ? "" : "|") + std::string(flag.words[i]);
                break;
            case V::Folder:
                left += "FOLDER";
                break;
            }
            left.resize(std::max<std::size_t>(left.size() + 1, 36), ' ');
            help += left + std::string(flag.help) + " [now: " + CurrentValue(flag, options, mode) +
                    "]\n";
        }
    }
    return help;
}
