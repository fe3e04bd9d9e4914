#pragma once

#include "url/LinkDecision.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CModeData;
class COptions;

// The settings a headless run takes from its command line: one table drives the parser, the
// checks, what each flag changes and the help. They change this run only; "-save" keeps them.

// What a flag's value is.
enum class EFlagValue
{
    Number, // a whole number within the flag's range
    Switch, // on or off
    List,   // entries separated by "," or ";"
    Choice, // one of the flag's words
    Folder, // a folder that is not a file
};

// Where a flag belongs in the help.
enum class EFlagGroup
{
    Find,
    Download,
    Crawl,
};

struct CRunFlag
{
    std::string_view name; // without its "-"
    EFlagValue value;
    EFlagGroup group;
    std::int64_t minimum = 0;
    std::int64_t maximum = 0;
    // For Choice: the words, in the order of the option's values.
    std::span<const std::string_view> words = {};
    std::string_view help;
    // The decisions this flag's option makes, so that a report can name the flag behind one.
    std::array<CReason, 2> reasons = {CReason::None, CReason::None};
};

// Every flag of the table, in the help's order within each group.
std::span<const CRunFlag> RunFlags();
// The flag whose name begins the text (matched as every keyword is, by prefix, ignoring case),
// or nullptr.
const CRunFlag* FindRunFlag(std::string_view text);

// A flag and the value the command line gave it.
struct CRunSetting
{
    const CRunFlag* flag = nullptr;
    std::string value;
};

// Checks every setting; the first mistake as "-flag: what is wrong" (empty when none).
std::string CheckRunSettings(const std::vector<CRunSetting>& settings);
// Applies the settings that belong to the options, or to the crawl mode. Checked settings only.
void ApplyRunSettings(const std::vector<CRunSetting>& settings, COptions& options);
void ApplyRunSettings(const std::vector<CRunSetting>& settings, CModeData& mode);
// The value the command line gave the flag named name (the last one given; a switch's or a
// choice's in lower case), if any.
std::optional<std::string> RunSettingValue(const std::vector<CRunSetting>& settings,
                                           std::string_view name);
// The flags given, as "-a, -b" (empty without any).
std::string RunSettingNames(const std::vector<CRunSetting>& settings);

// The flag given on the command line whose option made the decision, as "-min-size" (empty when
// none did).
std::string FlagBehind(const CDecision& decision, const std::vector<CRunSetting>& settings);

// The flags' part of --help, in groups, each with its current value as options and mode hold it.
std::string RunFlagsHelp(const COptions& options, const CModeData& mode);
