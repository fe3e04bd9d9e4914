#include "settings/ModeData.h"

#include "platform/Archive.h"
#include "platform/AtomicFile.h"
#include "platform/FileError.h"
#include "settings/DataPaths.h"
#include "settings/Options.h"

namespace
{
constexpr std::uint32_t kModeVersion = 2;

struct CBuiltInMode
{
    const char* fileName;
    const char* name;
    std::int32_t localFollowMax;
    bool followParentSites;
    bool autoFollowExternal;
    std::uint32_t externalFollowMax;
    std::int32_t maxDepth;
};

constexpr CBuiltInMode kBuiltInModes[kModeCount] = {
    {"mode1.mod", "Find files on Page", 0, false, false, 100, 2},
    {"mode2.mod", "Find files on Site", 200, false, false, 100, 2},
    {"mode3.mod", "Find files from Links", 5, false, true, 100, 2},
};

bool IsModeNumber(int modeNumber)
{
    return modeNumber >= 0 && modeNumber < kModeCount;
}
} // namespace

CModeData::CModeData(const CModeData& other)
{
    *this = other;
}

CModeData& CModeData::operator=(const CModeData& other)
{
    if (this == &other)
        return *this;
    m_reserved = other.m_reserved;
    m_onlyIfModified = other.m_onlyIfModified;
    m_name = other.m_name;
    m_localFollowMax = other.m_localFollowMax;
    m_followParentSites = other.m_followParentSites;
    m_autoFollowExternal = other.m_autoFollowExternal;
    m_externalFollowMax = other.m_externalFollowMax;
    m_maxDepth = other.m_maxDepth;
    return *this;
}

int CModeData::PagesAtOnce() const
{
    if (m_reserved <= 0)
        return kDefaultPagesAtOnce;
    return m_reserved > kMaxPagesAtOnce ? kMaxPagesAtOnce : static_cast<int>(m_reserved);
}

void CModeData::Read(CArchiveReader& archive)
{
    const std::uint32_t version = archive.ReadU32();
    m_name = archive.ReadString();
    m_localFollowMax = archive.ReadI32();
    m_followParentSites = archive.ReadBool();
    m_autoFollowExternal = archive.ReadBool();
    m_externalFollowMax = archive.ReadU32();
    m_maxDepth = archive.ReadI32();
    if (version >= 2)
    {
        m_onlyIfModified = archive.ReadBool();
        m_reserved = archive.ReadI32();
    }
}

void CModeData::Write(CArchiveWriter& archive) const
{
    archive.WriteU32(kModeVersion);
    archive.WriteString(m_name);
    archive.WriteI32(m_localFollowMax);
    archive.WriteBool(m_followParentSites);
    archive.WriteBool(m_autoFollowExternal);
    archive.WriteU32(m_externalFollowMax);
    archive.WriteI32(m_maxDepth);
    archive.WriteBool(m_onlyIfModified);
    archive.WriteI32(m_reserved);
}

std::string CModeData::SaveToBytes() const
{
    CArchiveWriter archive;
    Write(archive);
    return archive.Bytes();
}

void CModeData::Load(const std::string& fileName, const std::string& workDir)
{
    m_path = JoinDataPath(workDir, fileName);
    std::string bytes;
    if (!ReadWholeFile(m_path, bytes))
        throw CFileError(CFileError::Cause::kOpenFailed, m_path, {});
    CArchiveReader archive(bytes, m_path);
    Read(archive);
}

bool CModeData::Save(const std::string& path) const
{
    const std::string& target = path.empty() ? m_path : path;
    if (target.empty())
        return false;
    WriteFileAtomically(target, SaveToBytes());
    return true;
}

std::string ModeFileName(int modeNumber)
{
    return IsModeNumber(modeNumber) ? kBuiltInModes[modeNumber].fileName : "";
}

void SetBuiltInMode(CModeData& mode, int modeNumber)
{
    if (!IsModeNumber(modeNumber))
        return;
    const CBuiltInMode& builtIn = kBuiltInModes[modeNumber];
    mode.m_localFollowMax = builtIn.localFollowMax;
    mode.m_followParentSites = builtIn.followParentSites;
    mode.m_autoFollowExternal = builtIn.autoFollowExternal;
    mode.m_externalFollowMax = builtIn.externalFollowMax;
    mode.m_maxDepth = builtIn.maxDepth;
    mode.m_onlyIfModified = false;
    mode.m_reserved = 0;
    mode.m_name = builtIn.name;
}

void MakeBuiltInMode(CModeData& mode, int modeNumber, const std::string& workDir)
{
    if (!IsModeNumber(modeNumber))
        return;
    SetBuiltInMode(mode, modeNumber);
    // Into the working directory, where GetMode looks for it next time.
    mode.Save(JoinDataPath(workDir, kBuiltInModes[modeNumber].fileName));
}

CModeData PeekMode(int modeNumber, const COptions& options)
{
    if (!IsModeNumber(modeNumber))
        modeNumber = IsModeNumber(options.m_defaultMode) ? options.m_defaultMode : 0;
    CModeData mode;
    try
    {
        mode.Load(ModeFileName(modeNumber), options.m_workDir);
    }
    catch (const CFileError&)
    {
        SetBuiltInMode(mode, modeNumber);
    }
    return mode;
}

std::unique_ptr<CModeData> GetMode(int modeNumber, const COptions& options)
{
    if (!IsModeNumber(modeNumber))
    {
        modeNumber = options.m_defaultMode;
        if (!IsModeNumber(modeNumber))
            modeNumber = 0;
    }
    auto mode = std::make_unique<CModeData>();
    try
    {
        mode->Load(ModeFileName(modeNumber), options.m_workDir);
    }
    catch (const CFileError&)
    {
        // Missing or damaged: rebuild the built-in definition over whatever was read. A damaged
        // file is kept aside first, since the rebuilt one is written in its place.
        KeepDamagedFile(JoinDataPath(options.m_workDir, ModeFileName(modeNumber)));
        MakeBuiltInMode(*mode, modeNumber, options.m_workDir);
    }
    return mode;
}

std::unique_ptr<CModeData> GetDefaultMode(const COptions& options)
{
    return GetMode(options.m_defaultMode, options);
}

std::string GetModeName(int modeNumber, const COptions& options)
{
    return GetMode(modeNumber, options)->m_name;
}

std::string MarkDefaultModeName(std::string_view name)
{
    std::string text(name);
    if (text.empty() || text.back() != '*')
        text += " *DEFAULT*";
    return text;
}
