#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CArchiveReader;
class CArchiveWriter;

inline constexpr const char* kOptionsFileName = "options.dat";

// Duplicate policies of m_duplicateAction.
inline constexpr std::int32_t kDuplicateSkip = 0;
inline constexpr std::int32_t kDuplicateRename = 1;
inline constexpr std::int32_t kDuplicateOverwrite = 2;
inline constexpr std::int32_t kDuplicateSkipSameSize = 3;

// When m_checkLength asks for a file's length.
inline constexpr std::int32_t kCheckLengthNever = 0;
inline constexpr std::int32_t kCheckLengthWhenFound = 1;
inline constexpr std::int32_t kCheckLengthWhenDownloaded = 2;

// The values the options sheet lets the user choose for the three connection numbers.
struct COptionRange
{
    std::int32_t minimum;
    std::int32_t maximum;
};
inline constexpr COptionRange kConnectRetriesRange{0, 10};
inline constexpr COptionRange kConnectTimeoutRange{1, 60};
inline constexpr COptionRange kDownloadThreadsRange{1, 20};
// Per-site politeness and the download bandwidth cap; 0 means no limit.
inline constexpr COptionRange kSiteRequestRateRange{0, 1000};
inline constexpr COptionRange kSiteConnectionsRange{0, 100};
inline constexpr COptionRange kBandwidthLimitKRange{0, 10485760};
// Min Size and Max Size in KiB: up to what the signed 32-bit field holds (2 TiB).
inline constexpr COptionRange kSizeLimitKRange{0, 2147483647};

// The user's settings, kept in "options.dat" in the working directory. Only the user-interface
// thread writes the record; workers read single fields. Numbers read from the file are kept
// within what the options sheet allows, so that no stored value can stall the program.
class COptions
{
public:
    // Records the current directory as the working directory.
    COptions();
    // Uses workDir as the working directory (tests, or a caller that knows it already).
    explicit COptions(std::string workDir);

    // Reads the record from path, or from the working directory's "options.dat" when path is
    // empty. False when the file cannot be opened or is unusable (too old, truncated,
    // corrupt); the record then holds the defaults. Never raises.
    bool Load(const std::string& path = {});
    // Writes the record to path (or the working directory's "options.dat"), replacing the old
    // file in one step. Raises CFileError when the file cannot be written.
    void Save(const std::string& path = {}) const;
    // Every stored field to its default and no keywords; m_workDir and m_terminateWhenDone
    // are kept.
    void SetDefaults();

    // The file's content: reading raises CFileError on a short or unusable file, leaving the
    // fields read so far; a number outside the sheet's range is brought to the nearest allowed
    // value, a choice that is none of the sheet's to its default. Writing always produces the
    // newest version.
    void Read(CArchiveReader& archive);
    void Write(CArchiveWriter& archive) const;
    // Load and Save without the file: same rules, on bytes in memory.
    bool LoadFromBytes(std::string_view bytes, const std::string& path = {});
    std::string SaveToBytes() const;

    // The file that Load and Save use for path.
    std::string ResolvePath(const std::string& path) const;

    std::string m_workDir;
    std::vector<std::string> m_keywords;
    std::int32_t m_connectTimeout = 30;
    std::int32_t m_connectRetries = 5;
    bool m_rememberDownloads = true;
    bool m_rememberPages = true;
    std::int32_t m_duplicateAction = kDuplicateSkipSameSize;
    bool m_askSiteAtStartup = true;
    std::int32_t m_defaultMode = 0;
    std::int32_t m_windowTop = 0;
    std::int32_t m_windowLeft = 0;
    std::int32_t m_windowWidth = 0;
    std::int32_t m_windowHeight = 0;
    bool m_windowMaximized = false;
    std::int32_t m_treeWidth = 300;
    std::int32_t m_filesColumnWidth = 350;
    std::int32_t m_sizeColumnWidth = 90;
    std::int32_t m_checkLength = kCheckLengthNever;
    std::int32_t m_maxSizeK = 100;
    std::int32_t m_minSizeK = 10;
    bool m_autoDownload = false;
    bool m_passwordLogins = true;
    // Links that name no file extension (or a page word) and are not followed are asked for
    // their type with HEAD, and listed when it is a wanted one.
    bool m_askTypeOfPageLinks = false;
    // At most this many requests a second, and connections open at once, to one site (0: no
    // limit), across browse threads and download workers together.
    std::int32_t m_siteRequestRate = 0;
    std::int32_t m_siteConnections = 0;
    // All downloads together at most this many KiB a second (0: no limit).
    std::int32_t m_bandwidthLimitK = 0;
    // Pages and files that a site's robots.txt disallows are not read or listed.
    bool m_obeyRobots = false;
    // In site mode, the pages and files of the site's sitemap are read as if the start page
    // linked them.
    bool m_readSitemap = false;
    std::string m_fileTypes;
    std::string m_excludes;
    std::int32_t m_downloadThreads = 2;
    std::uint32_t m_entryHistoryDepth = 5;
    std::string m_downloadDir;
    // Run-time flag from the command line: close when all work is done. Never stored.
    bool m_terminateWhenDone = false;
};

// The size limits in whole KiB as every size comparison reads them, and as Load keeps them. The
// stored limits were compared as unsigned numbers: a negative maximum meant no limit worth the
// name and reads as the sheet's largest; a negative minimum refused every file and reads as 0.
std::uint64_t MinSizeK(const COptions& options);
std::uint64_t MaxSizeK(const COptions& options);
