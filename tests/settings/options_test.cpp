#include "LeBytes.h"
#include "platform/FileError.h"
#include "settings/Options.h"
#include "settings/ScreenSize.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace
{
const std::string kTypes = "EXE;ZIP;QT;MOV;JPG;AVI;MP3;M3U;MPEG;MPG";

// An options file of the given version with a value other than the default in every field
// that the version holds.
std::string MakeOptionsFile(std::uint32_t version)
{
    std::string bytes = Le32(version) + Le32(2) + Le32(500) + Le32(1) + Le32(1) +
                        ShortString("ZIP") + ShortString("ads") + Le32(7) + Le32(9) +
                        ShortString("/dl/") + Le32(1) + Le32(0) + Le32(0);
    if (version >= 5)
        bytes += Le32(1);
    if (version >= 6)
        bytes += Le32(0) + Le32(0) + Le32(8) + Le32(45);
    if (version >= 8)
        bytes += Le32(2) + ShortString("cat") + ShortString("dog") + Le32(10) + Le32(20) +
                 Le32(300) + Le32(200) + Le32(1) + Le32(111) + Le32(222) + Le32(33);
    if (version >= 9)
        bytes += Le32(1);
    if (version >= 10)
        bytes += Le32(4) + Le32(3) + Le32(512) + Le32(1) + Le32(1);
    return bytes;
}
} // namespace

TEST(OptionsTest, DefaultsAreWrittenByteForByte)
{
    COptions options("/w/x");
    const std::string expected =
        Le32(10) + Le32(0) + Le32(100) + Le32(10) + Le32(0) + ShortString(kTypes) + ShortString("") +
        Le32(2) + Le32(5) + ShortString("/w/x/dl/") + Le32(0) + Le32(1) + Le32(1) + Le32(3) +
        Le32(1) + Le32(1) + Le32(5) + Le32(30) + Le32(0) + Le32(128) + Le32(96) + Le32(768) +
        Le32(576) + Le32(0) + Le32(300) + Le32(350) + Le32(90) + Le32(0) + Le32(0) + Le32(0) + Le32(0) +
        Le32(0) + Le32(0);
    ASSERT_EQ(expected.size(), 170u);
    EXPECT_EQ(options.SaveToBytes(), expected);
}

TEST(OptionsTest, MissingFileGivesDefaultsInTheWorkingDirectory)
{
    CTempDir dir;
    COptions options(dir.Path().string());
    options.m_maxSizeK = 1;
    options.m_keywords = {"k"};
    options.m_terminateWhenDone = true;
    EXPECT_FALSE(options.Load());
    EXPECT_EQ(options.m_maxSizeK, 100);
    EXPECT_TRUE(options.m_keywords.empty());
    EXPECT_FALSE(options.m_terminateWhenDone);
    EXPECT_EQ(options.m_downloadDir, dir.Path().string() + "/dl/");
    EXPECT_EQ(options.m_fileTypes, kTypes);

    options.Save();
    EXPECT_EQ(ReadFileBytes(dir.File("options.dat")).size(), 166u + dir.Path().string().size());
    EXPECT_EQ(COptions().m_workDir, std::filesystem::current_path().string());

    COptions nowhere(dir.File("missing"));
    nowhere.m_maxSizeK = 1234;
    EXPECT_THROW(nowhere.Save(), CFileError);
    EXPECT_EQ(nowhere.m_maxSizeK, 1234);
}

TEST(OptionsTest, WindowDefaultsFollowTheScreen)
{
    SetScreenSizeProvider([] { return CScreenSize{1366, 768}; });
    COptions options("/w");
    SetScreenSizeProvider({});
    EXPECT_EQ(options.m_windowWidth, 1024);
    EXPECT_EQ(options.m_windowHeight, 576);
    EXPECT_EQ(options.m_windowLeft, 170);
    EXPECT_EQ(options.m_windowTop, 96);
    options.SetDefaults();
    EXPECT_EQ(options.m_windowWidth, 768);
    EXPECT_EQ(options.m_windowLeft, 128);
}

TEST(OptionsTest, EachVersionReadsItsOwnFields)
{
    struct Case
    {
        std::uint32_t version;
        bool loads;
        int fieldsVersion; // the newest version whose fields the file holds
    };
    const Case cases[] = {{3, false, 0}, {4, true, 4},  {5, true, 5},
                          {6, true, 6},  {7, true, 6},  {8, true, 8},
                          {9, true, 9},  {10, true, 10}, {11, true, 10}, {0xFFFFFFFF, true, 10}};
    const COptions defaults("/w");
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.version);
        COptions options("/w");
        options.m_terminateWhenDone = true;
        EXPECT_EQ(options.LoadFromBytes(MakeOptionsFile(c.version)), c.loads);
        EXPECT_FALSE(options.m_terminateWhenDone);
        const int v = c.fieldsVersion;
        EXPECT_EQ(options.m_maxSizeK, v >= 4 ? 500 : 100);
        EXPECT_EQ(options.m_excludes, v >= 4 ? "ads" : "");
        EXPECT_EQ(options.m_downloadDir, v >= 4 ? "/dl/" : "/w/dl/");
        EXPECT_EQ(options.m_askSiteAtStartup, v < 4);
        EXPECT_EQ(options.m_duplicateAction, v >= 5 ? 1 : 3);
        EXPECT_EQ(options.m_rememberDownloads, v < 6);
        EXPECT_EQ(options.m_rememberPages, v < 6);
        EXPECT_EQ(options.m_connectRetries, v >= 6 ? 8 : 5);
        EXPECT_EQ(options.m_connectTimeout, v >= 6 ? 45 : 30);
        const std::vector<std::string> keywords = {"cat", "dog"};
        EXPECT_EQ(options.m_keywords, v >= 8 ? keywords : std::vector<std::string>{});
        EXPECT_EQ(options.m_windowLeft, v >= 8 ? 10 : defaults.m_windowLeft);
        EXPECT_EQ(options.m_windowHeight, v >= 8 ? 200 : defaults.m_windowHeight);
        EXPECT_EQ(options.m_sizeColumnWidth, v >= 8 ? 33 : 90);
        EXPECT_EQ(options.m_askTypeOfPageLinks, v >= 9);
        EXPECT_EQ(options.m_siteRequestRate, v >= 10 ? 4 : 0);
        EXPECT_EQ(options.m_siteConnections, v >= 10 ? 3 : 0);
        EXPECT_EQ(options.m_bandwidthLimitK, v >= 10 ? 512 : 0);
        EXPECT_EQ(options.m_obeyRobots, v >= 10);
        EXPECT_EQ(options.m_readSitemap, v >= 10);
    }
}

TEST(OptionsTest, SaveThenLoadKeepsEveryStoredField)
{
    CTempDir dir;
    COptions saved(dir.Path().string());
    ASSERT_TRUE(saved.LoadFromBytes(MakeOptionsFile(10)));
    saved.m_keywords = {"", std::string(255, 'k'), std::string(70000, 'w'), "last"};
    saved.m_entryHistoryDepth = 0xFFFFFFFF;
    saved.m_minSizeK = kSizeLimitKRange.maximum;
    saved.m_terminateWhenDone = true;
    saved.Save();

    COptions loaded(dir.Path().string());
    ASSERT_TRUE(loaded.Load());
    EXPECT_EQ(loaded.m_keywords, saved.m_keywords);
    EXPECT_EQ(loaded.m_entryHistoryDepth, 0xFFFFFFFFu);
    EXPECT_EQ(loaded.m_minSizeK, kSizeLimitKRange.maximum);
    EXPECT_FALSE(loaded.m_terminateWhenDone);
    EXPECT_TRUE(loaded.m_askTypeOfPageLinks);
    EXPECT_EQ(loaded.SaveToBytes(), saved.SaveToBytes());
    // An older file gains the new fields, at their defaults, when it is saved again.
    COptions older("/w");
    ASSERT_TRUE(older.LoadFromBytes(MakeOptionsFile(8)));
    EXPECT_EQ(older.SaveToBytes(), Le32(10) + MakeOptionsFile(8).substr(4) + std::string(24, '\0'));
}

TEST(OptionsTest, DamagedFilesAreRefusedWithoutHarm)
{
    const std::string defaults = COptions("/w").SaveToBytes();
    const std::string good = MakeOptionsFile(8);
    for (std::size_t size = 0; size < good.size(); ++size)
    {
        COptions options("/w");
        EXPECT_FALSE(options.LoadFromBytes(good.substr(0, size))) << size;
        ASSERT_EQ(options.SaveToBytes(), defaults) << size;
    }

    // The keyword count sits at a fixed offset in this file; everything after it is the layout.
    const std::size_t countAt = MakeOptionsFile(6).size();
    const std::string layout = good.substr(countAt + 4 + 8);
    COptions options("/w");
    EXPECT_TRUE(options.LoadFromBytes(good.substr(0, countAt) + Le32(0) + layout));
    EXPECT_TRUE(options.m_keywords.empty());
    EXPECT_EQ(options.m_sizeColumnWidth, 33);
    for (const std::uint32_t count : {0xFFFFFFFFu, 0x7FFFFFFFu})
    {
        EXPECT_FALSE(options.LoadFromBytes(good.substr(0, countAt) + Le32(count) + layout));
        EXPECT_EQ(options.SaveToBytes(), defaults);
    }
}

// What the sheet cannot set, the file cannot either: sliders and size fields keep their ranges,
// a choice that no radio button or mode offers becomes the default. The size limits were
// compared unsigned: a negative maximum (no limit) becomes the largest, a negative minimum 0.
TEST(OptionsTest, NumbersAreKeptWithinWhatTheSheetAllows)
{
    constexpr std::int32_t kLargestK = 2147483647;
    constexpr std::int32_t kSignBit = -2147483647 - 1;
    struct CCase
    {
        std::int32_t threads, retries, timeout, duplicates, checkLength, defaultMode, minK, maxK;
        std::int32_t wantThreads, wantRetries, wantTimeout, wantDuplicates, wantCheck, wantMode,
            wantMinK, wantMaxK;
    } cases[] = {
        {0, -1, 0, -1, -1, -1, -1, -1, 1, 0, 1, kDuplicateSkipSameSize, kCheckLengthNever, 0, 0,
         kLargestK},
        {-7, 11, 61, 4, 3, 3, kSignBit, kSignBit, 1, 10, 60, kDuplicateSkipSameSize,
         kCheckLengthNever, 0, 0, kLargestK},
        {21, 0, 1, 0, 2, 2, kLargestK, 5000000, 20, 0, 1, kDuplicateSkip,
         kCheckLengthWhenDownloaded, 2, kLargestK, 5000000},
        {20, 10, 60, 2, 1, 1, 0, 0, 20, 10, 60, kDuplicateOverwrite, kCheckLengthWhenFound, 1, 0,
         0},
    };
    for (const CCase& c : cases)
    {
        COptions stored("/w");
        stored.m_downloadThreads = c.threads;
        stored.m_connectRetries = c.retries;
        stored.m_connectTimeout = c.timeout;
        stored.m_duplicateAction = c.duplicates;
        stored.m_checkLength = c.checkLength;
        stored.m_defaultMode = c.defaultMode;
        stored.m_minSizeK = c.minK;
        stored.m_maxSizeK = c.maxK;
        COptions read("/w");
        ASSERT_TRUE(read.LoadFromBytes(stored.SaveToBytes())) << c.threads;
        EXPECT_EQ(read.m_downloadThreads, c.wantThreads) << c.threads;
        EXPECT_EQ(read.m_connectRetries, c.wantRetries) << c.retries;
        EXPECT_EQ(read.m_connectTimeout, c.wantTimeout) << c.timeout;
        EXPECT_EQ(read.m_duplicateAction, c.wantDuplicates) << c.duplicates;
        EXPECT_EQ(read.m_checkLength, c.wantCheck) << c.checkLength;
        EXPECT_EQ(read.m_defaultMode, c.wantMode) << c.defaultMode;
        EXPECT_EQ(read.m_minSizeK, c.wantMinK) << c.minK;
        EXPECT_EQ(read.m_maxSizeK, c.wantMaxK) << c.maxK;
    }
    // The politeness numbers: 0 is no limit, nothing below it, a ceiling above.
    COptions stored("/w");
    stored.m_siteRequestRate = -1;
    stored.m_siteConnections = 101;
    stored.m_bandwidthLimitK = kLargestK;
    COptions read("/w");
    ASSERT_TRUE(read.LoadFromBytes(stored.SaveToBytes()));
    EXPECT_EQ(read.m_siteRequestRate, 0);
    EXPECT_EQ(read.m_siteConnections, kSiteConnectionsRange.maximum);
    EXPECT_EQ(read.m_bandwidthLimitK, kBandwidthLimitKRange.maximum);
}
