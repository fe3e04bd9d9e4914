// The program as a command-line tool: options, exit statuses, inventory output, progress line.
#include "settings/Options.h"
#include "support/ProgramRun.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{

// A site with a file that exists, a file that does not, and a sub-page with one more file.
class CToolSite
{
public:
    CToolSite()
    {
        auto& server = m_server.Server();
        server.Get("/",
                   [](const httplib::Request&, httplib::Response& response)
                   {
                       response.set_content("<a href=\"a.zip\">a</a> <a href=\"gone.zip\">g</a> "
                                            "<a href=\"sub/page.html\">more</a>",
                                            "text/html");
                   });
        server.Get("/sub/page.html", [](const httplib::Request&, httplib::Response& response)
                   { response.set_content("<a href=\"b.zip\">b</a>", "text/html"); });
        server.Get("/a.zip", [](const httplib::Request&, httplib::Response& response)
                   { response.set_content(std::string(3000, 'a'), "application/zip"); });
        server.Get("/sub/b.zip", [](const httplib::Request&, httplib::Response& response)
                   { response.set_content(std::string(5, 'b'), "application/zip"); });
        m_server.Start();
    }
    std::string Url(const std::string& path) const { return m_server.Url(path); }

private:
    CTestHttpServer m_server;
};

// A working directory whose options.dat has the given changes.
template <class Change> void WriteOptions(const CTempDir& dir, Change change)
{
    COptions options;
    options.m_workDir = dir.Path().string();
    options.m_downloadDir = dir.File("dl/");
    change(options);
    options.Save();
}

CProgramRun RunTool(const CTempDir& dir, const std::vector<std::string>& arguments,
                    const CProgramOptions& options = {})
{
    return RunProgram(HARVESTOR_BINARY, arguments, dir.Path().string(), options);
}

} // namespace

TEST(CommandLineToolTest, OptionsSpellingsAndUsageErrors)
{
    CToolSite site;
    const std::string start = site.Url("/");
    struct CRow
    {
        std::vector<std::string> arguments;
        int exitCode;
        std::string inOut; // expected in standard output
        std::string inErr; // expected in standard error
    };
    const CRow rows[] = {
        {{"--help"}, 0, "usage: harvestor -site URL", ""},
        {{"-?"}, 0, "usage: harvestor", ""},
        {{"-HELP", "-site", start}, 0, "usage: harvestor", ""},
        {{"--version"}, 0, "Harvestor 1.5.2\n", ""},
        {{}, 2, "", "usage: harvestor"},
        {{"-bogus", "-site", start}, 2, "", "unknown option -bogus\nusage:"},
        {{"-site"}, 2, "", "missing value for -site"},
        {{"-site", start, "-mode"}, 2, "", "missing value for -mode"},
        {{"-mode", "-site", start}, 2, "", "missing value before -site"},
        {{"--term=yes", "-site", start}, 2, "", "option -term takes no value"},
        // Every spelling of the value flags reaches the same crawl.
        {{"--site=" + start, "--mode=2"}, 0, site.Url("/sub/b.zip"), ""},
        {{"--site", start, "-Mode=2", "/nocheck"}, 0, site.Url("/sub/b.zip"), ""},
        {{"-site", start, "-mode", "1"}, 0, site.Url("/gone.zip") + "\n", ""},
        // Nothing listens on port 1: the start page cannot be read.
        {{"-site", "http://127.0.0.1:1/", "-quiet"}, 1, "", ""},
    };
    for (const CRow& row : rows)
    {
        CTempDir dir;
        const CProgramRun run = RunTool(dir, row.arguments);
        std::string shown;
        for (const std::string& argument : row.arguments)
            shown += argument + " ";
        SCOPED_TRACE(shown);
        EXPECT_EQ(run.exitCode, row.exitCode) << run.err;
        EXPECT_NE(run.out.find(row.inOut), std::string::npos) << run.out;
        EXPECT_NE(run.err.find(row.inErr), std::string::npos) << run.err;
        if (row.exitCode == 1)
        {
            EXPECT_TRUE(run.out.empty());
        }
    }
}

TEST(CommandLineToolTest, DownloadFailureWithAutomaticDownloadingExits3)
{
    CToolSite site;
    CTempDir dir;
    WriteOptions(dir,
                 [](COptions& options)
                 {
                     options.m_autoDownload = true;
                     options.m_minSizeK = 0;
                 });
    const CProgramRun run = RunTool(dir, {"-site", site.Url("/"), "-mode", "1"});
    EXPECT_EQ(run.exitCode, 3) << run.err;
    // a.zip came; gone.zip failed.
    ASSERT_TRUE(std::filesystem::is_directory(dir.File("dl")));
    int complete = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.File("dl")))
        complete += entry.file_size() == 3000 ? 1 : 0;
    EXPECT_EQ(complete, 1);
}

TEST(CommandLineToolTest, TsvListsSizeAndThePageEachFileWasFoundOn)
{
    CToolSite site;
    CTempDir dir;
    WriteOptions(dir,
                 [](COptions& options)
                 {
                     options.m_checkLength = kCheckLengthWhenFound;
                     options.m_minSizeK = 0;
                 });
    const CProgramRun run = RunTool(dir, {"-site", site.Url("/"), "-mode", "2", "-tsv"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // gone.zip answers 404 to its length query: its size is unknown.
    EXPECT_EQ(run.out, "url\tsize\tfound_on\n" + site.Url("/a.zip") + "\t3000\t" + site.Url("/") +
                           "\n" + site.Url("/gone.zip") + "\t\t" + site.Url("/") + "\n" +
                           site.Url("/sub/b.zip") + "\t5\t" + site.Url("/sub/page.html") + "\n");
}

TEST(CommandLineToolTest, ProgressLineOnlyOnATerminalAndNotWhenQuiet)
{
    CToolSite site;
    struct CRow
    {
        bool terminal;
        bool quiet;
    };
    for (const CRow row : {CRow{true, false}, CRow{true, true}, CRow{false, false}})
    {
        CTempDir dir;
        CProgramOptions options;
        options.stderrOnTerminal = row.terminal;
        std::vector<std::string> arguments{"-site", site.Url("/"), "-mode", "2"};
        if (row.quiet)
            arguments.push_back("-quiet");
        const CProgramRun run = RunTool(dir, arguments, options);
        SCOPED_TRACE(std::string(row.terminal ? "terminal" : "pipe") + (row.quiet ? " quiet" : ""));
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const bool shown = run.err.find("Pages ") != std::string::npos;
        EXPECT_EQ(shown, row.terminal && !row.quiet) << run.err;
        if (shown) // erased at the end
        {
            EXPECT_EQ(run.err.substr(run.err.size() - 4), "\r\x1b[K");
        }
        EXPECT_EQ(run.out.find('\r'), std::string::npos);
    }
}

TEST(CommandLineToolTest, RunsWhereQtCannotStartAndKeepsUnchangedSettingsFiles)
{
    CToolSite site;
    CTempDir dir;
    CProgramOptions options;
    options.environment = {{"QT_QPA_PLATFORM", "no-such-platform"},
                           {"QT_PLUGIN_PATH", "/nonexistent"}};
    ASSERT_EQ(RunTool(dir, {"-site", site.Url("/"), "-mode", "1"}, options).exitCode, 0);
    const auto written = std::filesystem::last_write_time(dir.File("options.dat"));
    const auto inode = std::filesystem::hard_link_count(dir.File("options.dat"));
    std::filesystem::last_write_time(dir.File("options.dat"), written - std::chrono::hours(1));
    const CProgramRun again = RunTool(dir, {"-site", site.Url("/"), "-mode", "1"}, options);
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(std::filesystem::last_write_time(dir.File("options.dat")),
              written - std::chrono::hours(1));
    EXPECT_EQ(std::filesystem::hard_link_count(dir.File("options.dat")), inode);
}
