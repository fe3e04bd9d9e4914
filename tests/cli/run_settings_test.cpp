// The settings a headless run takes from its command line: what each one changes, that none is
// kept without -save, the checks on bad values, and the table's own rules.
#include "session/CommandLineInfo.h"
#include "settings/ModeData.h"
#include "settings/Options.h"
#include "support/FileBytes.h"
#include "support/ProgramRun.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{

// /d/ links a ZIP of 3 000 bytes, a PDF of 200 000, an excluded file, a page in a subfolder (with
// c.zip), a page above the start folder (with t.zip) and a page on another host; robots.txt
// disallows the subfolder.
class CSettingsSite
{
public:
    CSettingsSite()
    {
        const std::pair<const char*, std::string> answers[] = {
            {"/d/", "<a href=\"a.zip\"></a><a href=\"b.pdf\"></a><a href=\"skip-me.zip\"></a>"
                    "<a href=\"sub/\"></a><a href=\"/top.html\"></a>"
                    "<a href=\"http://other.invalid/e.html\"></a> setup here"},
            {"/d/sub/", "<a href=\"c.zip\"></a>"},
            {"/top.html", "<a href=\"d/t.zip\"></a>"},
            {"/d/a.zip", std::string(3000, 'a')},
            {"/d/b.pdf", std::string(200000, 'b')},
            {"/d/sub/c.zip", "c"},
            {"/robots.txt", "User-agent: *\nDisallow: /d/sub/\n"},
        };
        for (const auto& [path, body] : answers)
            m_server.Server().Get(path, [body](const httplib::Request&, httplib::Response& response)
                                  { response.set_content(body, "text/html"); });
        m_server.Start();
    }
    std::string Url(const std::string& path) const { return m_server.Url(path); }

private:
    CTestHttpServer m_server;
};

// Options as the user keeps them: ZIP and PDF, no size limits, nothing downloaded.
std::string WriteStoredOptions(const CTempDir& dir)
{
    COptions stored;
    stored.m_workDir = dir.Path().string();
    stored.m_downloadDir = dir.File("dl/");
    stored.m_fileTypes = "ZIP;PDF";
    stored.m_minSizeK = 0;
    stored.m_maxSizeK = kSizeLimitKRange.maximum;
    stored.Save();
    return ReadFileBytes(dir.File(kOptionsFileName));
}

} // namespace

TEST(RunSettingsTest, EachSettingChangesThisRunOnly)
{
    CSettingsSite site;
    const auto url = [&](const char* path) { return site.Url(path); };
    struct CRow
    {
        std::vector<std::string> arguments;
        std::string inOut;    // a line the listing has ("" for none)
        std::string notInOut; // a line it lacks
        std::string inErr;
    };
    const CRow rows[] = {
        {{"-types", "pdf"}, url("/d/b.pdf"), url("/d/a.zip"), ""},
        {{"-types", ".Zip;"}, url("/d/a.zip"), url("/d/b.pdf"), ""},
        {{"-exclude", "skip-me, nothing"}, url("/d/a.zip"), url("/d/skip-me.zip"), ""},
        {{"-keywords", "SETUP"}, url("/d/"), "", ""},
        {{"-check-size", "found", "-min-size", "100"}, url("/d/b.pdf"), url("/d/a.zip"), ""},
        {{"-check-size", "found", "-max-size", "100"}, url("/d/a.zip"), url("/d/b.pdf"), ""},
        {{"-parents", "on"}, url("/d/t.zip"), "", ""},
        {{"-follow-max", "0", "-why", url("/d/sub/")},
         url("/d/a.zip"),
         url("/d/sub/c.zip"),
         "(set by -follow-max)"},
        {{"-robots", "on", "-why", url("/d/sub/")},
         url("/d/a.zip"),
         url("/d/sub/c.zip"),
         "(set by -robots)"},
        {{"-follow-external", "off", "-why", "http://other.invalid/e.html"},
         "",
         "",
         "(set by -follow-external)"},
        {{"-follow-external", "on", "-depth", "0", "-why", "http://other.invalid/e.html"},
         "",
         "",
         "(set by -depth)"},
        {{"-follow-external", "on", "-depth", "3", "-external-max", "0", "-why",
          "http://other.invalid/e.html"},
         "",
         "",
         "(set by -external-max)"},
        {{"-only-modified", "on", "-at-once", "1", "-workers", "3", "-timeout", "5", "-logins",
          "off", "-duplicates", "rename"},
         url("/d/sub/c.zip"),
         "",
         ""},
    };
    for (const CRow& row : rows)
    {
        CTempDir dir;
        const std::string stored = WriteStoredOptions(dir);
        std::vector<std::string> arguments = {"-headless", "-quiet", "-site",
                                              url("/d/"),  "-mode",  "2"};
        arguments.insert(arguments.end(), row.arguments.begin(), row.arguments.end());
        const CProgramRun run = RunProgram(HARVESTOR_BINARY, arguments, dir.Path().string());
        SCOPED_TRACE(row.arguments.front() + " " + row.arguments[1]);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        if (!row.inOut.empty())
        {
            EXPECT_NE(run.out.find(row.inOut + "\n"), std::string::npos) << run.out;
        }
        if (!row.notInOut.empty())
        {
            EXPECT_EQ(run.out.find(row.notInOut + "\n"), std::string::npos) << run.out;
        }
        EXPECT_NE(run.err.find(row.inErr), std::string::npos) << run.err;
        // Nothing of the run's settings is kept: the options and the mode's file are as before.
        EXPECT_EQ(ReadFileBytes(dir.File(kOptionsFileName)), stored);
        CModeData builtIn;
        SetBuiltInMode(builtIn, 1);
        EXPECT_EQ(ReadFileBytes(dir.File(ModeFileName(1))), builtIn.SaveToBytes());
    }
}

TEST(RunSettingsTest, DownloadsIntoTheFolderAndSaveKeepsTheSettings)
{
    CSettingsSite site;
    CTempDir dir;
    const std::string stored = WriteStoredOptions(dir);
    const std::string folder = dir.File("got");
    // A fresh folder with no options: the flags download, the options left are the defaults.
    CTempDir fresh;
    CProgramRun run = RunProgram(HARVESTOR_BINARY,
                                 {"-headless", "-quiet", "-site",     site.Url("/d/"), "-mode",
                                  "2",         "-types", "pdf,zip",   "-exclude",      "skip-me",
                                  "-min-size", "0",      "-max-size", "1000",          "-download",
                                  "on",        "-dir",   folder,      "-history",      "off"},
                                 fresh.Path().string());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(std::filesystem::file_size(folder + "/b.pdf"), 200000u);
    EXPECT_EQ(std::filesystem::file_size(folder + "/a.zip"), 3000u);
    EXPECT_EQ(std::filesystem::file_size(folder + "/c.zip"), 1u);
    COptions left(fresh.Path().string());
    ASSERT_TRUE(left.Load());
    COptions defaults(fresh.Path().string());
    defaults.SetDefaults();
    EXPECT_EQ(left.m_fileTypes, defaults.m_fileTypes);
    EXPECT_FALSE(left.m_autoDownload);
    EXPECT_FALSE(std::filesystem::exists(fresh.File("urls.his"))) << "-history off";

    // -save keeps the options and the run's mode as the flags left them.
    run = RunProgram(HARVESTOR_BINARY,
                     {"-headless", "-quiet", "-site", site.Url("/d/"), "-mode", "2", "-types",
                      "pdf", "-workers", "4", "-depth", "7", "-save"},
                     dir.Path().string());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(ReadFileBytes(dir.File(kOptionsFileName)), stored);
    COptions saved(dir.Path().string());
    ASSERT_TRUE(saved.Load());
    EXPECT_EQ(saved.m_fileTypes, "PDF");
    EXPECT_EQ(saved.m_downloadThreads, 4);
    EXPECT_EQ(PeekMode(1, saved).m_maxDepth, 7);
}

TEST(RunSettingsTest, BadValuesAreUsageErrorsNamingTheFlag)
{
    CTempDir dir;
    const std::string file = dir.File("a-file");
    std::ofstream(file) << "x";
    const std::vector<std::vector<std::string>> rows = {
        {"-workers", "0"},        {"-workers", "21"},       {"-types", ""},
        {"-min-size", "-1"},      {"-max-size", "12k"},     {"-dir", file},
        {"-duplicates", "maybe"}, {"-check-size", "often"}, {"-download", "yes"},
        {"-at-once", "17"},       {"-timeout", "0"},        {"-depth"},
    };
    for (const std::vector<std::string>& row : rows)
    {
        std::vector<std::string> arguments = {"-headless", "-site", "http://127.0.0.1:1/"};
        arguments.insert(arguments.end(), row.begin(), row.end());
        const CProgramRun run = RunProgram(HARVESTOR_BINARY, arguments, dir.Path().string());
        SCOPED_TRACE(row.front());
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find(row.front()), std::string::npos) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File(kOptionsFileName)));
}

// Keywords match by prefix, so none may begin with another; the README lists every setting, and
// so does the help.
TEST(RunSettingsTest, TheTableIsUnambiguousAndDocumented)
{
    std::vector<std::string> keywords = {
        "term",    "nocheck",  "mode",  "site", "identity", "minimize", "hide",     "help",
        "version", "headless", "quiet", "tsv",  "why",      "explain",  "max-time", "save"};
    for (const CRunFlag& flag : RunFlags())
        keywords.emplace_back(flag.name);
    for (const std::string& a : keywords)
        for (const std::string& b : keywords)
            EXPECT_TRUE(&a == &b || !b.starts_with(a)) << b << " begins with " << a;

    const std::string readme = ReadFileBytes(HARVESTOR_SOURCE_DIR "/README.md");
    const std::string help = HelpText(COptions("/nonexistent"), CModeData());
    for (const CRunFlag& flag : RunFlags())
    {
        const std::string name = "-" + std::string(flag.name) + " ";
        EXPECT_NE(readme.find("`" + name), std::string::npos) << name << " not in README.md";
        EXPECT_NE(help.find(name), std::string::npos) << name << " not in the help";
    }
}
