// A run without a window guards the user's data: one run per data folder, settings written back
// only when changed, interrupts and time limits that end the run as its end would, and every
// failure named on standard error with its own exit status.
#include "settings/Options.h"
#include "support/FileBytes.h"
#include "support/ProgramRun.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"
#include "support/WaitFor.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace
{

// A start page with a file that comes at once, one whose body drips until released (each with a
// validator, so that a cut download is kept for later) and a page that waits until released.
class CDripSite
{
public:
    CDripSite()
    {
        auto& server = m_server.Server();
        server.Get(
            "/",
            [](const httplib::Request&, httplib::Response& response)
            {
                response.set_content(
                    R"(<a href="a.zip">a</a> <a href="slow.zip">s</a> <a href="w.html">w</a>)",
                    "text/html");
            });
        server.Get("/w.html",
                   [this](const httplib::Request&, httplib::Response& response)
                   {
                       m_server.StallUntilReleased(std::chrono::seconds(30));
                       response.set_content("", "text/html");
                   });
        server.Get("/a.zip",
                   [](const httplib::Request&, httplib::Response& response)
                   {
                       response.set_header("ETag", "\"a\"");
                       response.set_content(std::string(2000, 'a'), "application/zip");
                   });
        server.Get("/slow.zip",
                   [this](const httplib::Request&, httplib::Response& response)
                   {
                       response.set_header("ETag", "\"s\"");
                       response.set_content_provider(
                           1 << 20, "application/zip",
                           [this](std::size_t offset, std::size_t, httplib::DataSink& sink)
                           {
                               if (offset > 0)
                                   m_server.StallUntilReleased(std::chrono::seconds(30));
                               const std::string block(4096, 's');
                               return offset == 0 && sink.write(block.data(), block.size());
                           });
                   });
        m_server.Start();
    }
    std::string Url(const std::string& path) const { return m_server.Url(path); }
    void Release() { m_server.Release(); }

private:
    CTestHttpServer m_server;
};

// A site whose start page waits until released: the run stays busy meanwhile.
class CStalledSite
{
public:
    CStalledSite()
    {
        m_server.Server().Get("/",
                              [this](const httplib::Request&, httplib::Response& response)
                              {
                                  m_server.StallUntilReleased(std::chrono::seconds(30));
                                  response.set_content("<a href=\"x.zip\">x</a>", "text/html");
                              });
        m_server.Start();
    }
    std::string Url(const std::string& path) const { return m_server.Url(path); }
    void Release() { m_server.Release(); }

private:
    CTestHttpServer m_server;
};

void StoreOptions(const CTempDir& dir, bool autoDownload, std::int32_t connectTimeout = 30)
{
    COptions stored(dir.Path().string());
    stored.m_downloadDir = dir.File("dl/");
    stored.m_minSizeK = 0;
    stored.m_autoDownload = autoDownload;
    stored.m_connectTimeout = connectTimeout;
    stored.Save();
}

bool LogHas(const CTempDir& dir, const std::string& text)
{
    return std::filesystem::exists(dir.File("hvstr.log")) &&
           ReadFileBytes(dir.File("hvstr.log")).find(text) != std::string::npos;
}

} // namespace

TEST(RunGuardsTest, ASecondRunTouchesNothingAndOptionsChangedMeanwhileStay)
{
    CStalledSite site;
    CTempDir dir;
    StoreOptions(dir, false);
    CProgramRun second;
    CProgramOptions options;
    options.whileRunning = [&](pid_t)
    {
        ASSERT_TRUE(WaitFor([&] { return LogHas(dir, "Browsing " + site.Url("/")); }));
        second =
            RunProgram(HARVESTOR_BINARY, {"-site", site.Url("/"), "-quiet"}, dir.Path().string());
        // Another program (the window, the user) changes the options while the run goes on.
        StoreOptions(dir, false, 17);
        site.Release();
    };
    const CProgramRun first = RunProgram(HARVESTOR_BINARY, {"-site", site.Url("/"), "-quiet"},
                                         dir.Path().string(), options);
    EXPECT_EQ(second.exitCode, 4);
    EXPECT_EQ(second.err, "Another Harvestor is using " + dir.Path().string() + "\n");
    EXPECT_TRUE(second.out.empty());
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out, site.Url("/x.zip") + "\n");
    // The first run's log was not truncated by the second, and its end kept the new options.
    EXPECT_TRUE(LogHas(dir, "Browsing " + site.Url("/")));
    COptions after(dir.Path().string());
    ASSERT_TRUE(after.Load());
    EXPECT_EQ(after.m_connectTimeout, 17);
}

TEST(RunGuardsTest, InterruptsAndTheTimeLimitEndTheRunAsItsEndWould)
{
    struct CRow
    {
        int signal; // 0: none, the time limit ends the run
        bool download;
        int exitCode;
    };
    for (const CRow row :
         {CRow{SIGINT, true, 130}, CRow{SIGTERM, false, 143}, CRow{0, true, 5}, CRow{0, false, 5}})
    {
        SCOPED_TRACE(std::to_string(row.exitCode) + (row.download ? " downloading" : " listing"));
        CDripSite site;
        CTempDir dir;
        StoreOptions(dir, row.download);
        CProgramOptions options;
        options.whileRunning = [&](pid_t program)
        {
            EXPECT_TRUE(WaitFor(
                [&]
                {
                    return row.download ? std::filesystem::exists(dir.File("dl/a.zip"))
                                        : LogHas(dir, "Browsing " + site.Url("/w.html"));
                }));
            if (row.signal != 0)
                ::kill(program, row.signal);
        };
        std::vector<std::string> arguments{"-site", site.Url("/"), "-mode", "2", "-quiet"};
        // Long enough for a.zip to arrive on a slow, loaded machine.
        if (row.signal == 0)
            arguments.insert(arguments.end(), {"-max-time", "5"});
        const CProgramRun run =
            RunProgram(HARVESTOR_BINARY, arguments, dir.Path().string(), options);
        site.Release();
        EXPECT_EQ(run.exitCode, row.exitCode) << run.err;
        if (!row.download)
        {
            // What was found is printed.
            EXPECT_EQ(run.out, site.Url("/a.zip") + "\n" + site.Url("/slow.zip") + "\n");
            continue;
        }
        // The file that came is remembered, the cut one kept for the next run.
        EXPECT_NE(ReadFileBytes(dir.File("files.his")).find(site.Url("/a.zip")), std::string::npos);
        bool kept = false;
        for (const auto& entry : std::filesystem::directory_iterator(dir.File("dl")))
            kept |= entry.path().filename().string().ends_with(".part");
        EXPECT_TRUE(kept);
    }
}

TEST(RunGuardsTest, FailuresAreSaidWithTheirOwnStatus)
{
    CDripSite site;
    site.Release();
    {
        // A history that cannot be saved.
        CTempDir dir;
        StoreOptions(dir, false);
        std::filesystem::create_directory(dir.File("files.his"));
        const CProgramRun run =
            RunProgram(HARVESTOR_BINARY, {"-site", site.Url("/"), "-quiet"}, dir.Path().string());
        EXPECT_EQ(run.exitCode, 6);
        EXPECT_NE(run.err.find("Cannot write the file " + dir.File("files.his") + ": "),
                  std::string::npos)
            << run.err;
    }
    {
        // A decision file that cannot be written is a usage error before anything is touched.
        CTempDir dir;
        const CProgramRun run =
            RunProgram(HARVESTOR_BINARY, {"-site", site.Url("/"), "-explain", "/nonexistent/x.tsv"},
                       dir.Path().string());
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find("harvestor: cannot write /nonexistent/x.tsv: No such file"),
                  std::string::npos)
            << run.err;
        EXPECT_FALSE(std::filesystem::exists(dir.File("hvstr.log")));
    }
    {
        // A start page that cannot be read says why.
        CTempDir dir;
        const CProgramRun run = RunProgram(
            HARVESTOR_BINARY, {"-site", "http://127.0.0.1:1/", "-quiet"}, dir.Path().string());
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find("harvestor: cannot read http://127.0.0.1:1/: connection problem: "),
                  std::string::npos)
            << run.err;
    }
    {
        // A data folder that cannot be locked.
        CTempDir dir;
        std::filesystem::create_directory(dir.File("hvstr.lock"));
        const CProgramRun run =
            RunProgram(HARVESTOR_BINARY, {"-site", site.Url("/")}, dir.Path().string());
        EXPECT_EQ(run.exitCode, 4);
        EXPECT_EQ(run.err, "Harvestor cannot lock " + dir.Path().string() + ": Is a directory\n");
        EXPECT_FALSE(std::filesystem::exists(dir.File("hvstr.log")));
    }
}
