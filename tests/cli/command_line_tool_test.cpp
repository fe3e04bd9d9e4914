// The program as a command-line tool: options, exit statuses, inventory output, progress line.
#include "settings/Options.h"
#include "support/FileBytes.h"
#include "support/ProgramRun.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{

// A site with a file that exists, a file that does not, and a sub-page with one more file. Apart
// from it, /big/ links files of 3 and 5 GiB whose length only a HEAD learns (a GET fails).
class CToolSite
{
public:
    CToolSite()
    {
        const std::pair<const char*, std::string> answers[] = {
            {"/",
             "<a href=\"a.zip\">a</a> <a href=\"gone.zip\">g</a> <a href=\"sub/page.html\">p</a>"},
            {"/sub/page.html", "<a href=\"b.zip\">b</a>"},
            {"/a.zip", std::string(3000, 'a')},
            {"/sub/b.zip", std::string(5, 'b')},
        };
        for (const auto& [path, body] : answers)
            m_server.Server().Get(path, [body](const httplib::Request&, httplib::Response& response)
                                  { response.set_content(body, "text/html"); });
        m_server.Server().Get(
            "/big/",
            [](const httplib::Request&, httplib::Response& response) {
                response.set_content("<a href=\"3g.zip\"></a><a href=\"5g.zip\"></a>", "text/html");
            });
        m_server.Server().Get(
            R"(/big/(\d)g\.zip)",
            [](const httplib::Request& request, httplib::Response& response)
            {
                response.set_content_provider(
                    std::stoull(request.matches[1].str()) << 30, "application/zip",
                    [](std::size_t, std::size_t, httplib::DataSink&) { return false; });
            });
        m_server.Start();
    }
    std::string Url(const std::string& path) const { return m_server.Url(path); }

private:
    CTestHttpServer m_server;
};

// The program in the working directory dir; change edits its options.dat first.
CProgramRun RunIn(const CTempDir& dir, const std::vector<std::string>& arguments,
                  const CProgramOptions& options = {}, void (*change)(COptions&) = nullptr)
{
    if (change != nullptr)
    {
        COptions stored;
        stored.m_workDir = dir.Path().string();
        stored.m_downloadDir = dir.File("dl/");
        stored.m_minSizeK = 0;
        change(stored);
        stored.Save();
    }
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
        {{"-site", start, "-explain"}, 2, "", "missing value for -explain"},
        {{"-mode", "-site", start}, 2, "", "missing value before -site"},
        {{"--term=yes", "-site", start}, 2, "", "option -term takes no value"},
        // Every spelling of the value flags reaches the same crawl.
        {{"--site=" + start, "--mode=2"}, 0, site.Url("/sub/b.zip"), ""},
        {{"--site", start, "-Mode=2", "/nocheck"}, 0, site.Url("/sub/b.zip"), ""},
        {{"-site", start, "-mode", "1"}, 0, site.Url("/gone.zip") + "\n", ""},
        // Nothing listens on port 1: the start page cannot be read (at once, without retries).
        {{"-site", "http://127.0.0.1:1/", "-retries", "0", "-quiet"}, 1, "", ""},
    };
    for (const CRow& row : rows)
    {
        const CProgramRun run = RunIn(CTempDir(), row.arguments);
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

TEST(CommandLineToolTest, DownloadFailureExits3AndTsvListsSizeAndFoundOnPage)
{
    CToolSite site;
    CTempDir downloads;
    const CProgramRun failed = RunIn(downloads, {"-site", site.Url("/"), "-mode", "1"}, {},
                                     [](COptions& o) { o.m_autoDownload = true; });
    EXPECT_EQ(failed.exitCode, 3) << failed.err;
    EXPECT_NE(failed.err.find("download failed: " + site.Url("/gone.zip") + ": HTTP error 404!"),
              std::string::npos)
        << failed.err;
    // a.zip came; gone.zip failed and left nothing.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(downloads.File("dl")), {}), 1);
    EXPECT_EQ(std::filesystem::file_size(downloads.File("dl/a.zip")), 3000u);

    CTempDir listing;
    const CProgramRun run = RunIn(listing, {"-site", site.Url("/"), "-mode", "2", "-tsv"}, {},
                                  [](COptions& o) { o.m_checkLength = kCheckLengthWhenFound; });
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // gone.zip answers 404 to its length query: its size is unknown.
    EXPECT_EQ(run.out, "url\tsize\tfound_on\n" + site.Url("/a.zip") + "\t3000\t" + site.Url("/") +
                           "\n" + site.Url("/gone.zip") + "\t\t" + site.Url("/") + "\n" +
                           site.Url("/sub/b.zip") + "\t5\t" + site.Url("/sub/page.html") + "\n");
}

TEST(CommandLineToolTest, FilesPast4GiBKeepTheirSizeInTheListAndTheLimits)
{
    CToolSite site;
    const std::string page = site.Url("/big/");
    const std::string big = site.Url("/big/3g.zip");
    const std::string bigger = site.Url("/big/5g.zip");
    const CProgramRun listed = RunIn(CTempDir(), {"-site", page, "-mode", "1", "-tsv"}, {},
                                     [](COptions& o)
                                     {
                                         o.m_checkLength = kCheckLengthWhenFound;
                                         o.m_maxSizeK = kSizeLimitKRange.maximum;
                                     });
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(listed.out, "url\tsize\tfound_on\n" + big + "\t3221225472\t" + page + "\n" + bigger +
                              "\t5368709120\t" + page + "\n");

    CTempDir dir;
    const CProgramRun refused =
        RunIn(dir, {"-site", page, "-mode", "1", "-tsv", "-explain", dir.File("why.tsv")}, {},
              [](COptions& o)
              {
                  o.m_checkLength = kCheckLengthWhenFound;
                  o.m_maxSizeK = 100;
              });
    ASSERT_EQ(refused.exitCode, 0) << refused.err;
    EXPECT_EQ(refused.out, "url\tsize\tfound_on\n");
    EXPECT_EQ(ReadFileBytes(dir.File("why.tsv")),
              page + "\tread\tstart-page\t\t\n" + big +
                  "\tnot listed\ttoo-large\t3221225472 bytes, limit 100 KB\t" + page + "\n" +
                  bigger + "\tnot listed\ttoo-large\t5368709120 bytes, limit 100 KB\t" + page +
                  "\n");
}

TEST(CommandLineToolTest, WhyLinesAfterTheRunAndExplainFile)
{
    CToolSite site;
    CTempDir dir;
    const std::string start = site.Url("/");
    const CProgramRun run =
        RunIn(dir, {"-site", start, "-mode", "1", "-quiet", "-why", site.Url("/a.zip"), "--why",
                    site.Url("/sub/page.html"), "-why", site.Url("/sub/c.zip"), "-explain",
                    dir.File("why.tsv")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, site.Url("/a.zip") +
                           "\tListed: the extension 'zip' matches the File Types entry 'ZIP'. "
                           "Found on " +
                           start + ".\n" + site.Url("/sub/page.html") +
                           "\tNot followed: the site's Follow Max of 0 pages was reached (mode "
                           "'Find files on Page'). Found on " +
                           start + ".\n" + site.Url("/sub/c.zip") +
                           "\tNot met in this session: no page that was read links to it. "
                           "Nearest URLs met: " +
                           site.Url("/sub/page.html") + ".\n");
    EXPECT_EQ(ReadFileBytes(dir.File("why.tsv")),
              start + "\tread\tstart-page\t\t\n" + site.Url("/a.zip") +
                  "\tlisted\tfile-type\tZIP\t" + start + "\n" + site.Url("/gone.zip") +
                  "\tlisted\tfile-type\tZIP\t" + start + "\n" + site.Url("/sub/page.html") +
                  "\tshown\tlocal-maximum\t0\t" + start + "\n");
}

TEST(CommandLineToolTest, ProgressLineOnlyOnATerminalAndNotWhenQuiet)
{
    CToolSite site;
    for (const auto& [terminal, quiet] : {std::pair{true, false}, {true, true}, {false, false}})
    {
        CProgramOptions options;
        options.stderrOnTerminal = terminal;
        std::vector<std::string> arguments{"-site", site.Url("/"), "-mode", "2"};
        if (quiet)
            arguments.push_back("-quiet");
        const CProgramRun run = RunIn(CTempDir(), arguments, options);
        SCOPED_TRACE(std::string(terminal ? "terminal" : "pipe") + (quiet ? " quiet" : ""));
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const bool shown = run.err.find("Pages ") != std::string::npos;
        EXPECT_EQ(shown, terminal && !quiet) << run.err;
        // Erased at the end; nothing of it on standard output.
        EXPECT_TRUE(!shown || run.err.ends_with("\r\x1b[K"));
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
    ASSERT_EQ(RunIn(dir, {"-site", site.Url("/"), "-mode", "1"}, options).exitCode, 0);
    const std::string stored = dir.File("options.dat");
    const auto earlier = std::filesystem::last_write_time(stored) - std::chrono::hours(1);
    std::filesystem::last_write_time(stored, earlier);
    ASSERT_EQ(RunIn(dir, {"-site", site.Url("/"), "-mode", "1"}, options).exitCode, 0);
    EXPECT_EQ(std::filesystem::last_write_time(stored), earlier);
}
