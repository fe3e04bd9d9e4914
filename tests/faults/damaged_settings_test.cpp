#include "settings/DataPaths.h"
#include "settings/Histories.h"
#include "settings/ModeData.h"
#include "settings/Options.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace
{

const std::string kTruncatedList("\x03\x00\x00\x00\x05http:", 10);

// A damaged history starts an empty list, and shut-down writes the list in its place: the
// damaged bytes are kept beside it first. A missing file or a sound one leaves no such copy.
TEST(DamagedSettings, HistoriesKeepADamagedFileAside)
{
    CTempDir dir;
    COptions options(dir.Path().string());
    WriteFileBytes(dir.File("urls.his"), kTruncatedList);
    CHistories histories;
    histories.LoadAtStartup(options);
    EXPECT_EQ(histories.m_urlHistory.GetCount(), 0u);
    EXPECT_EQ(ReadFileBytes(dir.File("urls.his.bad")), kTruncatedList);
    EXPECT_FALSE(std::filesystem::exists(dir.File("files.his.bad"))) << "missing is no damage";

    histories.m_urlHistory.Add("http://new.test/", CCalendarTime{});
    ASSERT_TRUE(histories.SaveAtShutdown(options));
    CHistories again;
    again.LoadAtStartup(options);
    EXPECT_TRUE(again.m_urlHistory.Contains("http://new.test/"));
    EXPECT_EQ(ReadFileBytes(dir.File("urls.his.bad")), kTruncatedList) << "a sound file stays";
}

// Damage is kept aside at every start, never over an earlier copy; a count that cannot be
// right is damage too, even when the entries after it would read.
TEST(DamagedSettings, EveryDamagedCopyIsKept)
{
    CTempDir dir;
    COptions options(dir.Path().string());
    const std::string entry = std::string("\x0ehttp://a.test/", 15) + std::string(8, '\0');
    const std::string damaged[] = {
        std::string("\xff\xff\xff\xff", 4) + entry, // a negative count
        std::string("\x00\x00\x00\x00", 4) + entry, // fewer than the entries
        kTruncatedList,
    };
    WriteFileBytes(dir.File("urls.his.bad"), "from an earlier run");
    for (const std::string& bytes : damaged)
    {
        WriteFileBytes(dir.File("urls.his"), bytes);
        CHistories histories;
        histories.LoadAtStartup(options);
        ASSERT_TRUE(histories.SaveAtShutdown(options));
    }
    EXPECT_EQ(ReadFileBytes(dir.File("urls.his.bad")), "from an earlier run");
    EXPECT_EQ(ReadFileBytes(dir.File("urls.his.bad1")), damaged[0]);
    EXPECT_EQ(ReadFileBytes(dir.File("urls.his.bad2")), damaged[1]);
    EXPECT_EQ(ReadFileBytes(dir.File("urls.his.bad3")), damaged[2]);
    EXPECT_EQ(KeepDamagedFile(dir.File("urls.his")), dir.File("urls.his.bad4"));
    EXPECT_EQ(KeepDamagedFile(dir.File("urls.his")), "") << "nothing left to keep";
}

// A damaged mode file is rebuilt with the built-in definition; its bytes are kept aside.
TEST(DamagedSettings, ModesKeepADamagedFileAside)
{
    CTempDir dir;
    COptions options(dir.Path().string());
    const std::string damaged("\x02\x00\x00\x00\xff\xff\xff\xf0\xff\xff\xff", 11);
    WriteFileBytes(dir.File("mode2.mod"), damaged);
    EXPECT_EQ(GetMode(1, options)->m_name, "Find files on Site");
    EXPECT_EQ(ReadFileBytes(dir.File("mode2.mod.bad")), damaged);
    CModeData rebuilt;
    EXPECT_NO_THROW(rebuilt.Load("mode2.mod", dir.Path().string()));
    EXPECT_EQ(rebuilt.m_localFollowMax, 200);
    EXPECT_FALSE(std::filesystem::exists(dir.File("mode1.mod.bad")));
    GetMode(0, options);
    EXPECT_FALSE(std::filesystem::exists(dir.File("mode1.mod.bad"))) << "missing is no damage";
}

} // namespace
