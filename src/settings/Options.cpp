#include "settings/Options.h"

#include "platform/Archive.h"
#include "platform/AtomicFile.h"
#include "platform/FileError.h"
#include "settings/DataPaths.h"
#include "settings/ScreenSize.h"

#include <algorithm>
#include <utility>

namespace
{
constexpr std::uint32_t kOptionsVersion = 10;
constexpr std::uint32_t kOldestOptionsVersion = 4;
// The modes page lists three modes.
constexpr std::int32_t kModeChoices = 3;
constexpr const char* kDefaultFileTypes = "EXE;ZIP;QT;MOV;JPG;AVI;MP3;M3U;MPEG;MPG";

// Reads one field of the file into the record.
class CFieldReader
{
public:
    explicit CFieldReader(CArchiveReader& archive) : m_archive(archive) {}
    void operator()(std::int32_t& value) { value = m_archive.ReadI32(); }
    void operator()(std::uint32_t& value) { value = m_archive.ReadU32(); }
    void operator()(bool& value) { value = m_archive.ReadBool(); }
    void operator()(std::string& value) { value = m_archive.ReadString(); }
    void operator()(std::vector<std::string>& values)
    {
        values.clear();
        const std::int32_t count = m_archive.ReadI32();
        if (count < 0)
            m_archive.FailInvalid("negative keyword count");
        // Every string takes at least its one-byte length.
        if (static_cast<std::size_t>(count) > m_archive.Remaining())
            m_archive.FailInvalid("keyword count larger than the file");
        for (std::int32_t i = 0; i < count; ++i)
            values.push_back(m_archive.ReadString());
    }

private:
    CArchiveReader& m_archive;
};

class CFieldWriter
{
public:
    explicit CFieldWriter(CArchiveWriter& archive) : m_archive(archive) {}
    void operator()(std::int32_t value) { m_archive.WriteI32(value); }
    void operator()(std::uint32_t value) { m_archive.WriteU32(value); }
    void operator()(bool value) { m_archive.WriteBool(value); }
    void operator()(const std::string& value) { m_archive.WriteString(value); }
    void operator()(const std::vector<std::string>& values)
    {
        m_archive.WriteU32(static_cast<std::uint32_t>(values.size()));
        for (const auto& value : values)
            m_archive.WriteString(value);
    }

private:
    CArchiveWriter& m_archive;
};

// The fields in file order, each from the version that introduced it. One list for both
// directions, so reading and writing cannot drift apart.
template <class Options, class Io> void VisitFields(Options& o, Io& io, std::uint32_t version)
{
    io(o.m_checkLength);
    io(o.m_maxSizeK); // maximum before minimum
    io(o.m_minSizeK);
    io(o.m_autoDownload);
    io(o.m_fileTypes);
    io(o.m_excludes);
    io(o.m_downloadThreads);
    io(o.m_entryHistoryDepth);
    io(o.m_downloadDir);
    io(o.m_defaultMode);
    io(o.m_passwordLogins);
    io(o.m_askSiteAtStartup);
    if (version >= 5)
        io(o.m_duplicateAction);
    if (version >= 6)
    {
        io(o.m_rememberDownloads);
        io(o.m_rememberPages);
        io(o.m_connectRetries); // retries before the time-out
        io(o.m_connectTimeout);
    }
    if (version >= 8)
    {
        io(o.m_keywords);
        io(o.m_windowLeft); // left before top
        io(o.m_windowTop);
        io(o.m_windowWidth);
        io(o.m_windowHeight);
        io(o.m_windowMaximized);
        io(o.m_treeWidth);
        io(o.m_filesColumnWidth);
        io(o.m_sizeColumnWidth);
    }
    if (version >= 9)
        io(o.m_askTypeOfPageLinks);
    if (version >= 10)
    {
        io(o.m_siteRequestRate);
        io(o.m_siteConnections);
        io(o.m_bandwidthLimitK);
        io(o.m_obeyRobots);
        io(o.m_readSitemap);
    }
}
void Clamp(std::int32_t& value, COptionRange range)
{
    value = std::clamp(value, range.minimum, range.maximum);
}

// A radio group or list choice that the sheet does not offer.
void Choose(std::int32_t& value, std::int32_t count, std::int32_t fallback)
{
    if (value < 0 || value >= count)
        value = fallback;
}

void KeepWithinTheSheet(COptions& o)
{
    o.m_minSizeK = static_cast<std::int32_t>(MinSizeK(o));
    o.m_maxSizeK = static_cast<std::int32_t>(MaxSizeK(o));
    Clamp(o.m_connectRetries, kConnectRetriesRange);
    Clamp(o.m_connectTimeout, kConnectTimeoutRange);
    Clamp(o.m_downloadThreads, kDownloadThreadsRange);
    Clamp(o.m_siteRequestRate, kSiteRequestRateRange);
    Clamp(o.m_siteConnections, kSiteConnectionsRange);
    Clamp(o.m_bandwidthLimitK, kBandwidthLimitKRange);
    Choose(o.m_duplicateAction, kDuplicateSkipSameSize + 1, kDuplicateSkipSameSize);
    Choose(o.m_checkLength, kCheckLengthWhenDownloaded + 1, kCheckLengthNever);
    Choose(o.m_defaultMode, kModeChoices, 0);
}
} // namespace

std::uint64_t MinSizeK(const COptions& options)
{
    return static_cast<std::uint64_t>(
        std::clamp(options.m_minSizeK, kSizeLimitKRange.minimum, kSizeLimitKRange.maximum));
}

std::uint64_t MaxSizeK(const COptions& options)
{
    return std::min<std::uint64_t>(static_cast<std::uint32_t>(options.m_maxSizeK),
                                   static_cast<std::uint64_t>(kSizeLimitKRange.maximum));
}

COptions::COptions() : COptions(CurrentDirectory()) {}

COptions::COptions(std::string workDir) : m_workDir(std::move(workDir))
{
    SetDefaults();
}

std::string COptions::ResolvePath(const std::string& path) const
{
    return JoinDataPath(m_workDir, path.empty() ? std::string(kOptionsFileName) : path);
}

void COptions::SetDefaults()
{
    m_keywords.clear();
    m_connectTimeout = 30;
    m_connectRetries = 5;
    m_rememberDownloads = true;
    m_rememberPages = true;
    m_duplicateAction = kDuplicateSkipSameSize;
    m_askSiteAtStartup = true;
    m_defaultMode = 0;
    m_windowMaximized = false;
    m_treeWidth = 300;
    m_filesColumnWidth = 350;
    m_sizeColumnWidth = 90;
    m_checkLength = kCheckLengthNever;
    m_maxSizeK = 100;
    m_minSizeK = 10;
    m_autoDownload = false;
    m_passwordLogins = true;
    m_askTypeOfPageLinks = false;
    m_siteRequestRate = 0;
    m_siteConnections = 0;
    m_bandwidthLimitK = 0;
    m_obeyRobots = false;
    m_readSitemap = false;
    m_fileTypes = kDefaultFileTypes;
    m_excludes.clear();
    m_downloadThreads = 2;
    m_entryHistoryDepth = 5;
    m_downloadDir = DefaultDownloadDir(m_workDir);

    // Three quarters of the screen, centred on it.
    const CScreenSize screen = CurrentScreenSize();
    m_windowHeight = static_cast<std::int32_t>(0.75 * screen.height);
    m_windowWidth = static_cast<std::int32_t>(0.75 * screen.width);
    m_windowTop =
        static_cast<std::int32_t>((m_windowHeight * 1.3333333333333333 - m_windowHeight) * 0.5);
    m_windowLeft =
        static_cast<std::int32_t>((m_windowWidth * 1.3333333333333333 - m_windowWidth) * 0.5);
}

void COptions::Read(CArchiveReader& archive)
{
    m_terminateWhenDone = false;
    SetDefaults();
    std::uint32_t version = archive.ReadU32();
    if (version < kOldestOptionsVersion)
        archive.FailInvalid("options version " + std::to_string(version) + " is too old");
    if (version > kOptionsVersion)
        version = kOptionsVersion;
    CFieldReader reader(archive);
    VisitFields(*this, reader, version);
    KeepWithinTheSheet(*this);
}

void COptions::Write(CArchiveWriter& archive) const
{
    archive.WriteU32(kOptionsVersion);
    CFieldWriter writer(archive);
    VisitFields(*this, writer, kOptionsVersion);
}

bool COptions::LoadFromBytes(std::string_view bytes, const std::string& path)
{
    try
    {
        CArchiveReader archive(bytes, path);
        Read(archive);
        return true;
    }
    catch (const CFileError&)
    {
        // A damaged file counts as a missing one.
        m_terminateWhenDone = false;
        SetDefaults();
        return false;
    }
}

std::string COptions::SaveToBytes() const
{
    CArchiveWriter archive;
    Write(archive);
    return archive.Bytes();
}

bool COptions::Load(const std::string& path)
{
    const std::string file = ResolvePath(path);
    std::string bytes;
    if (!ReadWholeFile(file, bytes))
    {
        m_terminateWhenDone = false;
        SetDefaults();
        return false;
    }
    return LoadFromBytes(bytes, file);
}

void COptions::Save(const std::string& path) const
{
    WriteFileAtomically(ResolvePath(path), SaveToBytes());
}
