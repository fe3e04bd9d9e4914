#include "session/CommandLineInfo.h"

#include "platform/AsciiText.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

namespace
{

// The keywords in the order they are tried; each one that matches takes effect. A switch sets
// its flag; a value keyword makes the next plain argument its value. "hide" also terminates.
struct CKeyword
{
    std::string_view text;
    bool CTrawlerCommandLineInfo::*flag;
    std::int32_t pending;
};

using Info = CTrawlerCommandLineInfo;
constexpr CKeyword kKeywords[] = {
    {"term", &Info::m_terminate, Info::kPendingNone},
    {"nocheck", &Info::m_noCheck, Info::kPendingNone},
    {"mode", nullptr, Info::kPendingMode},
    {"site", nullptr, Info::kPendingSite},
    {"identity", nullptr, Info::kPendingIdentity},
    {"minimize", &Info::m_minimize, Info::kPendingNone},
    {"hide", &Info::m_hide, Info::kPendingNone},
    {"hide", &Info::m_terminate, Info::kPendingNone},
    {"help", &Info::m_help, Info::kPendingNone},
    {"?", &Info::m_help, Info::kPendingNone},
    {"version", &Info::m_version, Info::kPendingNone},
    {"headless", &Info::m_headless, Info::kPendingNone},
    {"quiet", &Info::m_quiet, Info::kPendingNone},
    {"tsv", &Info::m_tsv, Info::kPendingNone},
    {"why", nullptr, Info::kPendingWhy},
    {"explain", nullptr, Info::kPendingExplain},
    {"max-time", nullptr, Info::kPendingMaxTime},
    {"save", &Info::m_save, Info::kPendingNone},
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

std::int32_t ReadLeadingInteger(std::string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
    {
        negative = text[pos] == '-';
        ++pos;
    }
    // Accumulate towards the limit of the sign's side so that INT32_MIN is reachable.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos)
    {
        value = value * 10 + (text[pos] - '0');
        if (value > kLimit)
            value = kLimit;
    }
    if (negative)
        return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(value >= kLimit ? kLimit - 1 : value);
}

void CTrawlerCommandLineInfo::ParseParam(std::string_view text, bool isFlag, bool isLast)
{
    if (isFlag)
    {
        // "--flag" is "-flag"; "flag=value" is the flag followed by its value.
        if (!text.empty() && text.front() == '-')
            text.remove_prefix(1);
        std::string_view value;
        const std::size_t equals = text.find('=');
        const bool hasValue = equals != std::string_view::npos;
        if (hasValue)
        {
            value = text.substr(equals + 1);
            text = text.substr(0, equals);
        }
        const std::int32_t pendingBefore = m_pending;
        if (const CRunFlag* flag = FindRunFlag(text))
        {
            if (pendingBefore != kPendingNone)
                NoteError("missing value before -" + std::string(text));
            if (hasValue)
                m_settings.push_back({flag, std::string(value)});
            else
                m_pendingFlag = flag;
            return;
        }
        bool matched = false;
        bool valueFlag = false;
        for (const CKeyword& keyword : kKeywords)
        {
            // What follows the keyword in the flag does not matter.
            if (!AsciiStartsWithNoCase(text, keyword.text))
                continue;
            matched = true;
            if (keyword.flag != nullptr)
                this->*keyword.flag = true;
            else
            {
                m_pending = keyword.pending;
                valueFlag = true;
            }
        }
        const std::string name = "-" + std::string(text);
        if (!matched)
            NoteError("unknown option " + name);
        else if (valueFlag && pendingBefore != kPendingNone)
            NoteError("missing value before " + name);
        else if (hasValue && !valueFlag)
            NoteError("option " + name + " takes no value");
        if (matched && valueFlag && hasValue)
            ParseParam(value, false, isLast);
        return;
    }

    if (m_pendingFlag != nullptr)
    {
        m_settings.push_back({m_pendingFlag, std::string(text)});
        m_pendingFlag = nullptr;
        return;
    }
    switch (m_pending)
    {
    case kPendingSite:
        m_sites.emplace_back(text);
        break;
    case kPendingMode:
        // Saturating subtraction: "-2147483648" must not overflow.
        m_modeIndex = static_cast<std::int32_t>(std::max<std::int64_t>(
            std::int64_t{ReadLeadingInteger(text)} - 1, std::numeric_limits<std::int32_t>::min()));
        break;
    case kPendingIdentity:
        m_agent.assign(text);
        break;
    case kPendingWhy:
        m_why.emplace_back(text);
        break;
    case kPendingExplain:
        m_explainFile.assign(text);
        break;
    case kPendingMaxTime:
        m_maxTimeSeconds = ReadLeadingInteger(text);
        if (m_maxTimeSeconds <= 0 || text.find_first_not_of("0123456789") != std::string_view::npos)
            NoteError("-max-time takes a whole number of seconds above 0, not " +
                      std::string(text));
        break;
    default:
        break;
    }
    m_pending = kPendingNone;
}

void CTrawlerCommandLineInfo::NoteError(std::string error)
{
    if (m_error.empty())
        m_error = std::move(error);
}

void CTrawlerCommandLineInfo::ParseCommandLine(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i)
    {
        std::string_view argument = argv[i] != nullptr ? argv[i] : "";
        if (m_pendingFlag != nullptr)
        {
            // "-min-size -1" reaches the range check instead of reading as a flag.
            ParseParam(argument, false, i + 1 == argc);
            continue;
        }
        // A keyword that waits for its value takes a path: "/" starts a flag only otherwise.
        const bool isFlag =
            !argument.empty() &&
            (argument.front() == '-' || (argument.front() == '/' && m_pending == kPendingNone));
        if (isFlag)
            argument.remove_prefix(1);
        ParseParam(argument, isFlag, i + 1 == argc);
    }
    static constexpr const char* kPendingNames[] = {"",     "-site",    "-mode",    "-identity",
                                                    "-why", "-explain", "-max-time"};
    if (m_pending > kPendingNone && m_pending <= kPendingMaxTime)
        NoteError(std::string("missing value for ") + kPendingNames[m_pending]);
    if (m_pendingFlag != nullptr)
        NoteError("missing value for -" + std::string(m_pendingFlag->name));
}

namespace
{

constexpr std::string_view kUsageStart =
    "usage: harvestor -site URL [-site URL ...] [-mode 1|2|3] [options]\n"
    "Crawls the sites and lists the files found on them. Without a display (or with -headless)\n"
    "it runs in the terminal, prints the found files' URLs on standard output and exits when all\n"
    "work is done.\n"
    "  -site URL        browse URL (repeatable)\n"
    "  -mode N          1 find files on the page, 2 on the site, 3 from links\n"
    "  -identity TEXT   the HTTP agent string\n";

constexpr std::string_view kUsageEnd =
    "Output:\n"
    "  -tsv             print the found files as URL, size, page found on (tab-separated)\n"
    "  -why URL         after the run, print why URL was or was not listed or followed\n"
    "                   (repeatable; one line per URL on standard error)\n"
    "  -explain FILE    write the decision on every link met to FILE: URL, decision, reason,\n"
    "                   value, page found on (tab-separated)\n"
    "  -save            keep this run's settings in options.dat and the mode's file\n"
    "  -max-time S      end the run after S seconds as an interrupt would (exit status 5)\n"
    "  -quiet           no progress line on a terminal\n"
    "The program:\n"
    "  -headless        run without the window even where a display exists\n"
    "  -term            close when all browsing and downloading is done\n"
    "  -hide            run with a hidden window, and close when done\n"
    "  -minimize        start minimised, without the Add Site prompt\n"
    "  -nocheck         skip the upgrade check\n"
    "  -help, -?        show this text;  -version  show the version\n"
    "Flags may also be written --flag or --flag=value. The settings of a run (file types,\n"
    "folder, ...) apply to runs without a window; -help lists them with their values.\n"
    "Exit status (the first that applies): 2 usage error, 4 another run uses the data folder\n"
    "(or it cannot be locked), 6 a settings or history file could not be saved, 130 or 143\n"
    "interrupted by SIGINT or SIGTERM, 5 -max-time reached, 1 a start page could not be read,\n"
    "3 a download failed while downloading automatically, 0 every start page was read.\n";

const std::string kUsageWhole = std::string(kUsageStart) + std::string(kUsageEnd);

} // namespace

const char* const kUsageText = kUsageWhole.c_str();

std::string HelpText(const COptions& options, const CModeData& mode)
{
    return std::string(kUsageStart) + RunFlagsHelp(options, mode) + std::string(kUsageEnd);
}
