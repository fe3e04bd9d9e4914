// The program itself, headless, beside wget -r and wget2 -r on a generated site served by a
// private nginx on 127.0.0.1: listing the site's files and downloading them, with and without
// added latency per request. Each run is a fresh child process; the server's access log shows
// what each tool read. See bench/README.md.

#include "bench_process.h"
#include "delay_proxy.h"
#include "e2e_check.h"
#include "e2e_settings.h"
#include "e2e_tools.h"
#include "site_generator.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sched.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#ifndef HARVESTOR_APP_PATH
#define HARVESTOR_APP_PATH ""
#endif

namespace
{

namespace fs = std::filesystem;

struct CArguments
{
    int pages = 2000;
    // 0: the pages as generated, about 7 KB each.
    int pageKb = 0;
    int runs = 3;
    int delayMs = 20;
    int workers = 4;
    std::string scenarios = "list,list-one-core,download,list-delay,download-delay";
    CToolPaths paths{HARVESTOR_APP_PATH, "/usr/bin/wget", "/usr/bin/wget2"};
    std::string nginx = "/usr/sbin/nginx";
    bool keep = false;
    bool serveOnly = false;
};

struct CScenario
{
    std::string name;
    bool download = false;
    bool delayed = false;
    // Every tool on one processor, the same for all: what a page costs each, without the
    // second core that a tool with threads would spread its work over.
    bool oneCore = false;
};

bool ParseArguments(int argc, char** argv, CArguments& arguments)
{
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--pages" && hasValue)
            arguments.pages = std::atoi(argv[++i]);
        else if (arg == "--page-kb" && hasValue)
            arguments.pageKb = std::atoi(argv[++i]);
        else if (arg == "--runs" && hasValue)
            arguments.runs = std::atoi(argv[++i]);
        else if (arg == "--delay-ms" && hasValue)
            arguments.delayMs = std::atoi(argv[++i]);
        else if (arg == "--workers" && hasValue)
            arguments.workers = std::atoi(argv[++i]);
        else if (arg == "--scenarios" && hasValue)
            arguments.scenarios = argv[++i];
        else if (arg == "--harvestor" && hasValue)
            arguments.paths.harvestor = argv[++i];
        else if (arg == "--wget" && hasValue)
            arguments.paths.wget = argv[++i];
        else if (arg == "--wget2" && hasValue)
            arguments.paths.wget2 = argv[++i];
        else if (arg == "--nginx" && hasValue)
            arguments.nginx = argv[++i];
        else if (arg == "--keep")
            arguments.keep = true;
        else if (arg == "--serve")
            arguments.serveOnly = true;
        else
            return false;
    }
    // The tools run in their own working directories.
    for (std::string* path : {&arguments.paths.harvestor, &arguments.paths.wget,
                              &arguments.paths.wget2, &arguments.nginx})
        if (!path->empty())
            *path = fs::absolute(*path).string();
    return arguments.pages >= 2 && arguments.pageKb >= 0 && arguments.runs > 0 &&
           arguments.delayMs >= 0 && arguments.workers > 0 && !arguments.paths.harvestor.empty();
}

void PrintUsage()
{
    std::fprintf(
        stderr,
        "usage: e2e_bench [--runs 3] [--pages 2000] [--page-kb 0] [--delay-ms 20] [--workers 4]\n"
        "                 [--scenarios list,list-one-core,download,list-delay,download-delay]\n"
        "                 [--harvestor PATH] [--wget PATH] [--wget2 PATH] [--nginx PATH]\n"
        "                 [--keep] [--serve]\n"
        "  --page-kb  pad every page with text to at least this many KB (0: about 7 KB)\n"
        "  --keep   keep the temporary directory (site, logs, every run's output)\n"
        "  --serve  generate and serve the site (directly and through the delay), wait for "
        "Enter\n");
}

std::vector<CScenario> ChosenScenarios(const std::string& names)
{
    const CScenario all[] = {{"list", false, false},
                             {"list-one-core", false, false, true},
                             {"download", true, false},
                             {"list-delay", false, true},
                             {"download-delay", true, true}};
    std::vector<CScenario> chosen;
    for (const CScenario& scenario : all)
    {
        const std::string padded = "," + names + ",";
        if (padded.find("," + scenario.name + ",") != std::string::npos)
            chosen.push_back(scenario);
    }
    return chosen;
}

std::string MakeTempDir()
{
    std::string pattern = (fs::temp_directory_path() / "e2ebench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        return {};
    // The server's workers may run as another user.
    chmod(pattern.c_str(), 0755);
    return pattern;
}

// The machine's load, printed with the figures: they move with it.
std::string LoadAverage()
{
    std::ifstream in("/proc/loadavg");
    double one = 0;
    double five = 0;
    double fifteen = 0;
    in >> one >> five >> fifteen;
    char text[80];
    std::snprintf(text, sizeof text, "%.2f %.2f %.2f on %u cores", one, five, fifteen,
                  std::thread::hardware_concurrency());
    return text;
}

std::string Url(std::uint16_t port, const CGeneratedSite& site)
{
    return "http://127.0.0.1:" + std::to_string(port) + site.m_startPath;
}

// One run of a tool in a folder of its own: the program gets its settings there and runs in
// it. With a log, the requests it made are checked too.
bool RunTool(CTool& tool, const std::string& url, const std::string& runDir,
             const CSiteFacts& facts, const std::string* accessLog, int workers, CProcessCost& cost)
{
    const std::string files = runDir + "/files";
    const std::string work = runDir + "/work";
    fs::create_directories(work);
    std::string error;
    if (tool.harvestor)
    {
        CBenchSettings settings;
        settings.m_autoDownload = tool.task == ETask::kDownload;
        settings.m_downloadThreads = workers;
        settings.m_downloadDir = files;
        settings.m_pagesAtOnce = tool.pagesAtOnce;
        if (!WriteBenchSettings(work, settings, error))
        {
            std::fprintf(stderr, "%s\n", error.c_str());
            return false;
        }
    }
    const std::uintmax_t logFrom = accessLog != nullptr ? FileSize(*accessLog) : 0;
    const fs::path here = fs::current_path();
    fs::current_path(work);
    const bool started =
        RunMeasured(tool.command(url, files), runDir + "/out.txt", runDir + "/err.txt", cost);
    fs::current_path(here);
    if (!started)
    {
        std::fprintf(stderr, "%s: cannot start\n", tool.name.c_str());
        return false;
    }
    CRunCheck check = CheckOutput(tool, runDir, facts);
    if (cost.m_exitCode != 0)
        check.Fail("exit code " + std::to_string(cost.m_exitCode));
    if (accessLog != nullptr)
        CheckRequests(tool, CountRequests(*accessLog, logFrom), facts, check);
    if (!check.m_ok)
        std::fprintf(stderr, "  %s: %s (see %s)\n", tool.name.c_str(), check.m_problems.c_str(),
                     runDir.c_str());
    return check.m_ok;
}

// The first processor this process may run on, as taskset names it.
std::string FirstAllowedCpu()
{
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0)
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
            if (CPU_ISSET(cpu, &allowed))
                return std::to_string(cpu);
    return "0";
}

// The tool's command run by taskset on one processor; taskset executes the tool in its own
// process, so the costs measured are the tool's.
void PinToOneCore(CTool& tool, const std::string& cpu)
{
    tool.command =
        [command = std::move(tool.command), cpu](const std::string& url, const std::string& files)
    {
        std::vector<std::string> args{"/usr/bin/taskset", "-c", cpu};
        for (std::string& arg : command(url, files))
            args.push_back(std::move(arg));
        return args;
    };
}

bool RunScenario(const CScenario& scenario, const CArguments& arguments, const CNginx& nginx,
                 const CGeneratedSite& site, const CSiteFacts& facts, const std::string& dir,
                 CReport& report)
{
    std::vector<CTool> tools = scenario.download
                                   ? MakeDownloadTools(arguments.paths, arguments.workers)
                                   : MakeListTools(arguments.paths);
    if (scenario.oneCore)
        for (CTool& tool : tools)
            PinToOneCore(tool, FirstAllowedCpu());
    // With the delay the relay passes every request to the logged port, so that every run
    // is checked; without it one logged run each comes first and the timed runs use the quiet
    // port.
    CDelayProxy proxy;
    std::string error;
    if (scenario.delayed &&
        !proxy.Start(nginx.LoggedPort(), std::chrono::milliseconds(arguments.delayMs), error))
    {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    std::printf("\n%s: %s%s%s\n", scenario.name.c_str(),
                scenario.download ? "download the linked files" : "list the site's files",
                scenario.oneCore ? ", every tool on one processor" : "",
                scenario.delayed
                    ? (", " + std::to_string(arguments.delayMs) + " ms added per request").c_str()
                    : "");
    std::fflush(stdout);
    bool complete = true;
    int run = 0;
    const auto runDir = [&]() { return dir + "/" + scenario.name + "-" + std::to_string(run++); };
    const auto finish = [&](const std::string& folder, bool ok)
    {
        if (ok && !arguments.keep)
            fs::remove_all(folder);
    };
    const std::string logged = nginx.AccessLog();
    if (!scenario.delayed)
        for (CTool& tool : tools)
        {
            CProcessCost cost;
            const std::string folder = runDir();
            const bool ok = RunTool(tool, Url(nginx.LoggedPort(), site), folder, facts, &logged,
                                    arguments.workers, cost);
            complete = complete && ok;
            finish(folder, ok);
        }
    const std::uint16_t port = scenario.delayed ? proxy.Port() : nginx.QuietPort();
    for (int round = 0; round < arguments.runs; ++round)
        for (CTool& tool : tools)
        {
            CProcessCost cost;
            const std::string folder = runDir();
            const bool ok = RunTool(tool, Url(port, site), folder, facts,
                                    scenario.delayed ? &logged : nullptr, arguments.workers, cost);
            complete = complete && ok;
            finish(folder, ok);
            tool.costs.push_back(cost);
        }
    proxy.Stop();
    report.Add(scenario.name, tools, facts);
    report.PrintScenario(scenario.name, arguments.runs);
    std::printf("  load average now: %s\n", LoadAverage().c_str());
    return complete;
}

int Serve(const CNginx& nginx, const CGeneratedSite& site, int delayMs)
{
    CDelayProxy proxy;
    std::string error;
    if (!proxy.Start(nginx.QuietPort(), std::chrono::milliseconds(delayMs), error))
    {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("Serving %s (quiet), %s (logged to %s), %s (quiet, %d ms added); Enter stops.\n",
                Url(nginx.QuietPort(), site).c_str(), Url(nginx.LoggedPort(), site).c_str(),
                nginx.AccessLog().c_str(), Url(proxy.Port(), site).c_str(), delayMs);
    std::fflush(stdout);
    std::getchar();
    return 0;
}

int RunComparison(const CArguments& arguments)
{
    const std::string dir = MakeTempDir();
    if (dir.empty())
    {
        std::fprintf(stderr, "cannot make a temporary directory\n");
        return 1;
    }
    // The program's per-user settings go here, not into the user's own.
    setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
    CSiteShape shape;
    shape.m_pages = arguments.pages;
    shape.m_minPageBytes = static_cast<std::size_t>(arguments.pageKb) * 1024;
    shape.m_quotedValuesOnly = true;
    CGeneratedSite site;
    std::string error;
    const std::string documentRoot = dir + "/www";
    if (!GenerateSite(documentRoot, shape, site, error))
    {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const CSiteFacts facts = CollectSiteFacts(site, documentRoot);
    std::printf("Load average at the start: %s\n", LoadAverage().c_str());
    std::printf("Site: %zu pages (%.1f MB of HTML, %zu links), %zu files (%.1f MB), %zu of them "
                "linked; start %s\n",
                site.m_pagePaths.size(), site.m_pageBytes / 1048576.0, site.m_links,
                site.m_filePaths.size(), site.m_fileBytes / 1048576.0, site.m_linkedFiles,
                site.m_startPath.c_str());
    if (site.m_reachableBelowStart != site.m_pagePaths.size() ||
        site.m_predictedReads != site.m_pagePaths.size())
    {
        std::fprintf(stderr, "the generated site is not fully reachable\n");
        return 1;
    }
    CNginx nginx;
    if (!nginx.Start(arguments.nginx, dir, documentRoot, error))
    {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    if (arguments.serveOnly)
    {
        const int result = Serve(nginx, site, arguments.delayMs);
        nginx.Stop();
        if (!arguments.keep)
            fs::remove_all(dir);
        return result;
    }

    CReport report;
    bool complete = true;
    for (const CScenario& scenario : ChosenScenarios(arguments.scenarios))
        complete = RunScenario(scenario, arguments, nginx, site, facts, dir, report) && complete;
    nginx.Stop();
    CProcessCost floor;
    if (RunMeasured({"/bin/true"}, "/dev/null", "/dev/null", floor))
        std::printf("\nFloor of the method (/bin/true measured the same way): %.1f MB\n",
                    floor.m_peakRssKb / 1024.0);
    std::printf("Load average at the end: %s\n", LoadAverage().c_str());
    report.PrintMarkdown(arguments.runs);
    if (!complete)
        std::printf("\nINCOMPLETE: a tool did not read or save what it should have\n");
    if (!arguments.keep && complete)
        fs::remove_all(dir);
    else
        std::printf("Kept %s\n", dir.c_str());
    return complete ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    CArguments arguments;
    if (!ParseArguments(argc, argv, arguments))
    {
        PrintUsage();
        return 2;
    }
    // The program runs headless only without a display.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    return RunComparison(arguments);
}
