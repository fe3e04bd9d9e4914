#include "LeBytes.h"
#include "settings/Histories.h"
#include "settings/Options.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace
{
std::string OneEntryFile(const std::string& key)
{
    return Le32(1) + ShortString(key) + Le32(0) + Le32(0);
}

class HistoriesTest : public ::testing::Test
{
protected:
    HistoriesTest() : m_options(m_dir.Path().string())
    {
        WriteFileBytes(m_dir.File("urls.his"), OneEntryFile("http://old/page"));
        WriteFileBytes(m_dir.File("files.his"), OneEntryFile("http://old/file.zip"));
    }

    CTempDir m_dir;
    COptions m_options;
    CHistories m_histories;
};
} // namespace

TEST_F(HistoriesTest, StartUpLoadsWhatTheOptionsRemember)
{
    m_options.m_rememberPages = false; // the page history is read all the same
    m_histories.LoadAtStartup(m_options);
    EXPECT_TRUE(m_histories.m_urlHistory.Contains("http://old/page"));
    EXPECT_FALSE(m_histories.m_urlHistory.Contains("http://old/other"));
    EXPECT_TRUE(m_histories.m_fileHistory.Contains("http://old/file.zip"));

    CHistories withoutDownloads;
    m_options.m_rememberDownloads = false;
    withoutDownloads.LoadAtStartup(m_options);
    EXPECT_TRUE(withoutDownloads.m_urlHistory.Contains("http://old/page"));
    EXPECT_EQ(withoutDownloads.m_fileHistory.GetCount(), 0u);
}

TEST_F(HistoriesTest, ShutDownWritesOnlyTheListsThatStartUpRead)
{
    const std::string oldFiles = ReadFileBytes(m_dir.File("files.his"));
    // Nothing was loaded: nothing is written.
    m_histories.m_urlHistory.Add("http://new/page", CCalendarTime{});
    EXPECT_TRUE(m_histories.SaveAtShutdown(m_options));
    EXPECT_EQ(ReadFileBytes(m_dir.File("urls.his")), OneEntryFile("http://old/page"));

    // Download history off at start-up, on at shut-down: the old file is kept.
    m_options.m_rememberDownloads = false;
    m_histories.LoadAtStartup(m_options);
    m_histories.m_urlHistory.Add("http://new/page", CCalendarTime{});
    m_histories.m_fileHistory.Add("http://new/file.zip", CCalendarTime{});
    m_options.m_rememberDownloads = true;
    EXPECT_TRUE(m_histories.SaveAtShutdown(m_options));
    EXPECT_EQ(ReadFileBytes(m_dir.File("files.his")), oldFiles);
    CTSList pages;
    ASSERT_TRUE(pages.Load("urls.his", m_options.m_workDir));
    EXPECT_TRUE(pages.Contains("http://old/page"));
    EXPECT_TRUE(pages.Contains("http://new/page"));
}

TEST_F(HistoriesTest, ClearedDownloadHistoryStaysOnDiskWhileNotRemembered)
{
    m_histories.LoadAtStartup(m_options);
    m_histories.m_fileHistory.Add("http://new/file.zip", CCalendarTime{});
    m_histories.m_fileHistory.RemoveAll();
    m_options.m_rememberDownloads = false;
    EXPECT_TRUE(m_histories.SaveAtShutdown(m_options));
    EXPECT_EQ(ReadFileBytes(m_dir.File("files.his")), OneEntryFile("http://old/file.zip"));

    m_options.m_rememberDownloads = true;
    EXPECT_TRUE(m_histories.SaveAtShutdown(m_options));
    EXPECT_EQ(ReadFileBytes(m_dir.File("files.his")), std::string(4, '\0'));
}

TEST_F(HistoriesTest, WriteFailuresNameEveryFileAndItsReason)
{
    m_histories.LoadAtStartup(m_options);
    std::filesystem::remove_all(m_dir.Path());
    std::vector<std::string> errors;
    EXPECT_FALSE(m_histories.SaveAtShutdown(m_options, &errors));
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_NE(errors[0].find(m_dir.File("files.his") + ": No such file or directory"),
              std::string::npos)
        << errors[0];
    EXPECT_NE(errors[1].find(m_dir.File("urls.his")), std::string::npos) << errors[1];
}
