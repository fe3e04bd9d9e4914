#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class CArchiveReader;
class CArchiveWriter;
class COptions;

// The three crawl modes, numbered 0 to 2 inside the program (the user sees 1 to 3).
inline constexpr int kModeCount = 3;
// Pages a browse reads at once when its mode gives 0, and the most it ever reads at once.
inline constexpr int kDefaultPagesAtOnce = 4;
inline constexpr int kMaxPagesAtOnce = 16;

// How far a browse thread follows links from its start page. Each mode lives in its own file
// ("mode1.mod" to "mode3.mod"); every browse thread works on its own copy.
class CModeData
{
public:
    CModeData() = default;
    // A copy takes every field except m_path.
    CModeData(const CModeData& other);
    CModeData& operator=(const CModeData& other);

    // Reads the record from fileName joined to workDir (unchanged when absolute); m_path is
    // set to that path first. Raises CFileError when the file cannot be opened or is short.
    void Load(const std::string& fileName, const std::string& workDir);
    // Writes the record to path exactly as given, or to m_path when path is empty. False
    // without writing when that is empty too; raises CFileError when the file cannot be
    // written.
    bool Save(const std::string& path = {}) const;

    // Reading takes any version: 0 and 1 leave m_onlyIfModified and m_reserved as they were.
    void Read(CArchiveReader& archive);
    void Write(CArchiveWriter& archive) const;
    std::string SaveToBytes() const;

    // m_reserved as a count of pages: kDefaultPagesAtOnce for 0 (or less), at most
    // kMaxPagesAtOnce.
    int PagesAtOnce() const;

    // Pages read at once ("pages in flight") by a browse in this mode: 0 the default, 1 one at
    // a time; PagesAtOnce interprets it.
    std::int32_t m_reserved = 0;
    bool m_onlyIfModified = false;
    std::string m_path;
    std::string m_name;
    std::int32_t m_localFollowMax = 0;
    bool m_followParentSites = false;
    bool m_autoFollowExternal = false;
    std::uint32_t m_externalFollowMax = 0;
    std::int32_t m_maxDepth = 0;
};

// The file of mode number 0 to 2 ("mode1.mod" ...), or an empty text for any other number.
std::string ModeFileName(int modeNumber);

// Mode number 0 to 2 as the caller's own record, read from its file in the working directory.
// A missing, unreadable or damaged file is replaced by the built-in definition
// (MakeBuiltInMode). Any other number gives the default mode of the options. Raises CFileError
// only when writing the built-in file fails.
std::unique_ptr<CModeData> GetMode(int modeNumber, const COptions& options);

// Sets the built-in definition of modeNumber (0 to 2) and writes it to its file in workDir.
// m_path keeps what it was. Raises CFileError when the file cannot be written.
void MakeBuiltInMode(CModeData& mode, int modeNumber, const std::string& workDir);

// The built-in definition of modeNumber (0 to 2), written nowhere.
void SetBuiltInMode(CModeData& mode, int modeNumber);

// GetMode that writes nothing: a missing or damaged file reads as the built-in definition.
CModeData PeekMode(int modeNumber, const COptions& options);

// GetMode for the options' default mode.
std::unique_ptr<CModeData> GetDefaultMode(const COptions& options);

// The name of mode number modeNumber, read again from its file at every call.
std::string GetModeName(int modeNumber, const COptions& options);

// The text that shows a mode as the default: the name with " *DEFAULT*" appended, unless it
// already ends in '*'.
std::string MarkDefaultModeName(std::string_view name);
