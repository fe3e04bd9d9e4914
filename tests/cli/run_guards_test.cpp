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
    CDripSite site;
    CTempDir dir;
    StoreOptions(dir, false);
    const std::vector<std::string> arguments{"-site", site.Url("/"), "-mode", "2", "-quiet"};
    CProgramRun second;
    CProgramOptions options;
    options.whileRunning = [&](pid_t)
    {
        ASSERT_TRUE(WaitFor([&] { return LogHas(dir, "Browsing " + site.Url("/w.html")); }));
        second = RunProgram(HARVESTOR_BINARY, arguments, dir.Path().string());
        // Another program (the window, the user) changes the options while the run goes on.
        StoreOptions(dir, false, 17);
        site.Release();
    };
    const CProgramRun first = RunProgram(HARVESTOR_BINARY, arguments, dir.Path().string(), options);
    EXPECT_EQ(second.exitCode, 4);
    EXPECT_EQ(second.err, "Another Harvestor is using " + dir.Path().string() + "\n");
    EXPECT_TRUE(second.out.empty());
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out, site.Url("/a.zip") + "\n" + site.Url("/slow.zip") + "\n");
    // The first run's log was not truncated by the second, and its end kept the new options.
    EXPECT_TRUE(LogHas(dir, "Browsing " + site.Url("/w.html")));
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
    struct CRow
    {
        const char* placed; // a folder put in the way of this data file
        std::vector<std::string> arguments;
        int exitCode;
        std::string inErr; // "DIR" stands for the data folder
        bool touched;      // whether the run got as far as opening its log
    };
    const CRow rows[] = {
        {"files.his", {"-site", site.Url("/")}, 6, "Cannot write the file DIR/files.his: ", true},
        {nullptr,
         {"-site", site.Url("/"), "-explain", "/nonexistent/x.tsv"},
         2,
         "harvestor: cannot write /nonexistent/x.tsv: No such file",
         false},
        {nullptr,
         {"-site", "http://127.0.0.1:1/", "-retries", "0"},
         1,
         "harvestor: cannot read http://127.0.0.1:1/: connection problem: ",
         true},
        {"hvstr.lock",
         {"-site", site.Url("/")},
         4,
         "Harvestor cannot lock DIR: Is a directory\n",
         false},
    };
    for (const CRow& row : rows)
    {
        SCOPED_TRACE(row.inErr);
        CTempDir dir;
        StoreOptions(dir, false);
        if (row.placed != nullptr)
            std::filesystem::create_directory(dir.File(row.placed));
        std::vector<std::string> arguments = row.arguments;
        arguments.push_back("-quiet");
        const CProgramRun run = RunProgram(HARVESTOR_BINARY, arguments, dir.Path().string());
        EXPECT_EQ(run.exitCode, row.exitCode) << run.err;
        std::string inErr = row.inErr;
        if (const std::size_t at = inErr.find("DIR"); at != std::string::npos)
            inErr.replace(at, 3, dir.Path().string());
        EXPECT_NE(run.err.find(inErr), std::string::npos) << run.err;
        EXPECT_EQ(std::filesystem::exists(dir.File("hvstr.log")), row.touched);
    }
}
