#pragma once

#include "session/RunFlags.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The agent string that every HTTP request carries unless "identity" names another.
inline constexpr const char* kDefaultAgent = "Hvstr152";

// What the command line asks for. Flags begin with "-" or "/" and match their keyword by
// prefix, ignoring case; "site", "mode", "identity", "why", "explain" and "max-time" take the
// next argument,
// which may begin with "/" (a path) but not with "-". The
// conventional spellings work too: "--site URL", "--site=URL", "-mode=2".
class CTrawlerCommandLineInfo
{
public:
    // Which keyword the next plain argument belongs to.
    enum EPending : std::int32_t
    {
        kPendingNone = 0,
        kPendingSite = 1,
        kPendingMode = 2,
        kPendingIdentity = 3,
        kPendingWhy = 4,
        kPendingExplain = 5,
        kPendingMaxTime = 6,
    };

    // defaultModeIndex: the options' default mode, used when no "mode" is given.
    explicit CTrawlerCommandLineInfo(std::int32_t defaultModeIndex = 0)
        : m_modeIndex(defaultModeIndex)
    {
    }

    // One argument after the program name, with its "-" or "/" already removed when isFlag.
    // isLast is not used.
    void ParseParam(std::string_view text, bool isFlag, bool isLast);

    // Feeds every argument after argv[0] to ParseParam, in order.
    void ParseCommandLine(int argc, const char* const* argv);

    std::string m_agent = kDefaultAgent;
    bool m_noCheck = false;
    bool m_hide = false;
    bool m_minimize = false;
    std::int32_t m_modeIndex = 0;
    bool m_terminate = false;
    std::vector<std::string> m_sites;
    std::int32_t m_pending = kPendingNone;

    // Switches of the command-line tool.
    bool m_help = false;
    bool m_version = false;
    bool m_headless = false;
    bool m_quiet = false;
    bool m_tsv = false;
    // URLs whose decision is printed after the run, and the file that receives every decision.
    std::vector<std::string> m_why;
    std::string m_explainFile;
    // "max-time": a headless run ends as if interrupted after this many seconds; 0 for never.
    std::int32_t m_maxTimeSeconds = 0;
    // The settings of this run (file types, folder, ...), in the order given; "save" keeps them.
    // Each of these flags takes the next argument as its value, even one that begins with "-".
    std::vector<CRunSetting> m_settings;
    bool m_save = false;

    // The first mistake on the command line ("" when none): an unknown flag, a value that is
    // missing or given to a switch. The window ignores it; the headless tool refuses to run.
    std::string m_error;

private:
    void NoteError(std::string error);

    // A setting flag waiting for its value.
    const CRunFlag* m_pendingFlag = nullptr;
};

// The usage text of the command line, for usage errors.
extern const char* const kUsageText;
// The whole help: the usage with every setting of a run and its value in options and mode.
std::string HelpText(const COptions& options, const CModeData& mode);

// The number at the start of text as atoi reads it: blanks skipped, an optional sign, then
// digits up to the first non-digit; 0 without digits. Out-of-range values saturate instead of
// overflowing.
std::int32_t ReadLeadingInteger(std::string_view text);
