#include "LeBytes.h"
#include "platform/FileError.h"
#include "settings/ModeData.h"
#include "settings/Options.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace
{
std::string ModeFile(std::uint32_t version, const std::string& name, std::uint32_t localMax,
                     std::uint32_t autoFollow)
{
    std::string bytes = Le32(version) + ShortString(name) + Le32(localMax) + Le32(0) +
                        Le32(autoFollow) + Le32(100) + Le32(2);
    if (version >= 2)
        bytes += Le32(0) + Le32(0);
    return bytes;
}
} // namespace

TEST(ModeDataTest, MissingFilesAreRebuiltByteForByte)
{
    CTempDir dir;
    const COptions options(dir.Path().string());
    const std::string expected[kModeCount] = {
        ModeFile(2, "Find files on Page", 0, 0),
        ModeFile(2, "Find files on Site", 200, 0),
        ModeFile(2, "Find files from Links", 5, 1),
    };
    const std::size_t sizes[kModeCount] = {51, 51, 54};
    EXPECT_EQ(GetModeName(0, options), "Find files on Page");
    for (int mode = 0; mode < kModeCount; ++mode)
    {
        SCOPED_TRACE(mode);
        auto record = GetMode(mode, options);
        EXPECT_EQ(record->m_path, dir.File(ModeFileName(mode)));
        EXPECT_EQ(ReadFileBytes(record->m_path), expected[mode]);
        EXPECT_EQ(expected[mode].size(), sizes[mode]);
    }
}

TEST(ModeDataTest, ReadsEveryVersionFromTheWorkingDirectory)
{
    CTempDir dir;
    const COptions options(dir.Path().string());
    WriteFileBytes(dir.File("mode2.mod"), Le32(2) + ShortString("Deep") + Le32(7) + Le32(1) +
                                              Le32(1) + Le32(0xFFFFFFFF) + Le32(4) + Le32(1) +
                                              Le32(99));
    auto mode = GetMode(1, options);
    EXPECT_EQ(mode->m_name, "Deep");
    EXPECT_EQ(mode->m_localFollowMax, 7);
    EXPECT_TRUE(mode->m_followParentSites);
    EXPECT_EQ(mode->m_externalFollowMax, 0xFFFFFFFFu);
    EXPECT_EQ(mode->m_maxDepth, 4);
    EXPECT_TRUE(mode->m_onlyIfModified);
    EXPECT_EQ(mode->m_reserved, 99);

    // Versions 0 and 1 lack the last two fields, which keep what the record held.
    for (std::uint32_t version : {0u, 1u})
    {
        WriteFileBytes(dir.File("old.mod"), ModeFile(version, "Old", 3, 1));
        CModeData used;
        used.m_onlyIfModified = true;
        used.m_reserved = 5;
        used.Load("old.mod", options.m_workDir);
        EXPECT_EQ(used.m_name, "Old");
        EXPECT_EQ(used.m_localFollowMax, 3);
        EXPECT_TRUE(used.m_autoFollowExternal);
        EXPECT_TRUE(used.m_onlyIfModified);
        EXPECT_EQ(used.m_reserved, 5);
    }
}

TEST(ModeDataTest, DamagedFilesGiveTheBuiltInMode)
{
    CTempDir dir;
    const COptions options(dir.Path().string());
    const std::string custom = ModeFile(2, "Custom", 9, 1);
    const std::string builtIn = ModeFile(2, "Find files from Links", 5, 1);
    for (std::size_t size = 0; size < custom.size(); ++size)
    {
        WriteFileBytes(dir.File("mode3.mod"), custom.substr(0, size));
        EXPECT_EQ(GetModeName(2, options), "Find files from Links") << size;
        ASSERT_EQ(ReadFileBytes(dir.File("mode3.mod")), builtIn) << size;
    }
    WriteFileBytes(dir.File("mode3.mod"), custom);
    EXPECT_EQ(GetModeName(2, options), "Custom");
}

TEST(ModeDataTest, NumbersOutsideTheRangeGiveTheDefaultMode)
{
    CTempDir dir;
    COptions options(dir.Path().string());
    options.m_defaultMode = 2;
    EXPECT_EQ(GetModeName(-1, options), "Find files from Links");
    EXPECT_EQ(GetModeName(3, options), "Find files from Links");
    EXPECT_EQ(GetDefaultMode(options)->m_name, "Find files from Links");
    options.m_defaultMode = 17;
    EXPECT_EQ(GetModeName(5, options), "Find files on Page");
    EXPECT_EQ(GetDefaultMode(options)->m_name, "Find files on Page");
}

TEST(ModeDataTest, SaveAndCopyRules)
{
    CTempDir dir;
    CModeData mode;
    MakeBuiltInMode(mode, 1, dir.Path().string());
    EXPECT_TRUE(mode.m_path.empty());
    EXPECT_FALSE(mode.Save()); // no path yet
    mode.m_path = dir.File("kept.mod");
    mode.m_name = "Renamed";
    EXPECT_TRUE(mode.Save());
    EXPECT_EQ(ReadFileBytes(dir.File("kept.mod")), ModeFile(2, "Renamed", 200, 0));

    CModeData copy(mode);
    EXPECT_EQ(copy.m_name, "Renamed");
    EXPECT_EQ(copy.m_localFollowMax, 200);
    EXPECT_TRUE(copy.m_path.empty());

    // The built-in file that cannot be written is the one error GetMode passes on.
    const COptions nowhere(dir.File("missing"));
    EXPECT_THROW(GetMode(0, nowhere), CFileError);
}

TEST(ModeDataTest, DefaultMarkIsNeverAddedAfterAStar)
{
    const std::pair<std::string, std::string> cases[] = {
        {"Find files on Page", "Find files on Page *DEFAULT*"},
        {"", " *DEFAULT*"},
        {"Starred*", "Starred*"},
        {"x *DEFAULT*", "x *DEFAULT*"},
        {"* then text", "* then text *DEFAULT*"},
    };
    for (const auto& [name, marked] : cases)
        EXPECT_EQ(MarkDefaultModeName(name), marked) << name;
}
