// Crawls a generated site served by a private nginx on 127.0.0.1 with the crawl engine alone and
// with wget, each as a child process of its own, and compares wall time, pages per second, CPU
// time and peak memory. See bench/README.md.

#include "bench_process.h"
#include "engine_child.h"
#include "site_generator.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace
{

constexpr const char* kEngineChildFlag = "--engine-child";
constexpr const char* kStartPageOnly = "page";
constexpr const char* kFileTypesForWget = "exe,zip,qt,mov,jpg,avi,mp3,m3u,mpeg,mpg";

using CCommand = std::function<std::vector<std::string>(const std::string&, int)>;

struct CTool
{
    CTool(std::string toolName, CCommand toolCommand, bool startPageOnly = false)
        : name(std::move(toolName)), command(std::move(toolCommand)), startPageOnly(startPageOnly)
    {
    }
    std::string name;
    // The command for a start URL and a run number.
    CCommand command;
    // A reference run that reads the start page only: the cost of starting up.
    bool startPageOnly = false;
    // Distinct pages that the logged run read.
    std::size_t pagesRead = 0;
    std::vector<CProcessCost> costs;
    std::vector<double> engineSeconds;
};

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double Wall(const CProcessCost& cost)
{
    return cost.m_wallSeconds;
}
double Cpu(const CProcessCost& cost)
{
    return cost.m_cpuSeconds;
}
double PeakMb(const CProcessCost& cost)
{
    return cost.m_peakRssKb / 1024.0;
}

double MedianOf(const std::vector<CProcessCost>& costs, double (*field)(const CProcessCost&))
{
    std::vector<double> values;
    for (const CProcessCost& cost : costs)
        values.push_back(field(cost));
    return Median(values);
}

struct CArguments
{
    int pages = 2000;
    int runs = 3;
    bool keep = false;
    bool serveOnly = false;
    bool awkwardLinks = false;
    bool crossLinks = false;
    std::string nginx = "/usr/sbin/nginx";
    std::string wget = "/usr/bin/wget";
};

bool ParseArguments(int argc, char** argv, CArguments& arguments)
{
    if (const char* pages = std::getenv("HARVESTOR_BENCH_PAGES"))
        arguments.pages = std::atoi(pages);
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--pages" && hasValue)
            arguments.pages = std::atoi(argv[++i]);
        else if (arg == "--runs" && hasValue)
            arguments.runs = std::atoi(argv[++i]);
        else if (arg == "--nginx" && hasValue)
            arguments.nginx = argv[++i];
        else if (arg == "--wget" && hasValue)
            arguments.wget = argv[++i];
        else if (arg == "--keep")
            arguments.keep = true;
        else if (arg == "--serve")
            arguments.serveOnly = true;
        else if (arg == "--awkward")
            arguments.awkwardLinks = true;
        else if (arg == "--cross-links")
            arguments.crossLinks = true;
        else
            return false;
    }
    return arguments.pages > 0 && arguments.runs > 0;
}

void PrintUsage()
{
    std::fprintf(stderr,
                 "usage: crawl_bench [--pages N] [--runs N] [--keep] [--serve] [--awkward]\n"
                 "                   [--cross-links] [--nginx PATH] [--wget PATH]\n"
                 "  --keep         keep the temporary directory (site, logs, outputs)\n"
                 "  --serve        generate and serve the site, print its URLs, wait for Enter\n"
                 "                 (to profile the engine by hand: crawl_bench %s URL WORKDIR\n"
                 "                 [page])\n"
                 "  --awkward      also single-quoted values and \"./\" links\n"
                 "  --cross-links  also links to the start page, to parent directories and\n"
                 "                 across the site\n",
                 kEngineChildFlag);
}

std::string MakeTempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "crawlbench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        return {};
    // The server's workers may run as another user.
    chmod(pattern.c_str(), 0755);
    return pattern;
}

std::string SelfPath()
{
    std::error_code code;
    return std::filesystem::read_symlink("/proc/self/exe", code).string();
}

std::vector<CTool> MakeTools(const CArguments& arguments, const std::string& dir)
{
    const std::string self = SelfPath();
    const std::string wgetDir = dir + "/wget";
    std::vector<CTool> tools;
    tools.emplace_back("engine",
                       [self, dir](const std::string& url, int run)
                       {
                           const std::string work = dir + "/engine-" + std::to_string(run);
                           std::filesystem::create_directories(work);
                           return std::vector<std::string>{self, kEngineChildFlag, url, work};
                       });
    // Every page once with GET and no file at all: the same requests as the engine's.
    tools.emplace_back("wget GET pages",
                       [wget = arguments.wget, wgetDir](const std::string& url, int)
                       {
                           return std::vector<std::string>{wget,
                                                           "-r",
                                                           "-l",
                                                           "inf",
                                                           "-np",
                                                           "--delete-after",
                                                           "-q",
                                                           "-e",
                                                           "robots=off",
                                                           "-R",
                                                           kFileTypesForWget,
                                                           "-P",
                                                           wgetDir,
                                                           url};
                       });
    // HEAD and GET for every page, HEAD for every file.
    tools.emplace_back("wget --spider",
                       [wget = arguments.wget, wgetDir](const std::string& url, int)
                       {
                           return std::vector<std::string>{wget,         "-r",       "-l",    "inf",
                                                           "-np",        "--spider", "-q",    "-e",
                                                           "robots=off", "-P",       wgetDir, url};
                       });
    tools.emplace_back(
        "engine 1 page",
        [self, dir](const std::string& url, int run)
        {
            const std::string work = dir + "/engine-" + std::to_string(run);
            std::filesystem::create_directories(work);
            return std::vector<std::string>{self, kEngineChildFlag, url, work, kStartPageOnly};
        },
        true);
    tools.emplace_back(
        "wget 1 page",
        [wget = arguments.wget](const std::string& url, int) {
            return std::vector<std::string>{wget, "-q", "-O", "/dev/null", url};
        },
        true);
    return tools;
}

std::string StartUrl(std::uint16_t port, const CGeneratedSite& site)
{
    return "http://127.0.0.1:" + std::to_string(port) + site.m_startPath;
}

// One logged run of each tool: what each read, checked against what it should read. Also warms
// the caches for the timed runs.
bool CheckRequests(std::vector<CTool>& tools, const CNginx& nginx, const CGeneratedSite& site,
                   bool standardSite, const std::string& dir, int& run)
{
    bool complete = true;
    const std::size_t pages = site.m_pagePaths.size();
    std::printf("\nRequests seen by the server (one logged run each):\n");
    for (CTool& tool : tools)
    {
        const std::uintmax_t from = FileSize(nginx.AccessLog());
        CProcessCost cost;
        const std::string output = dir + "/out-" + std::to_string(run) + ".txt";
        if (!RunMeasured(tool.command(StartUrl(nginx.LoggedPort(), site), run), output,
                         dir + "/err-" + std::to_string(run) + ".txt", cost))
            return false;
        ++run;
        const CRequestCount count = CountRequests(nginx.AccessLog(), from);
        tool.pagesRead = count.m_distinctGetPages;
        std::printf("  %-16s GET %zu (distinct pages %zu, repeated %zu), HEAD %zu, other %zu, "
                    "status not 200: %zu; on %zu connection(s)\n",
                    tool.name.c_str(), count.m_get, count.m_distinctGetPages, count.m_repeatedGets,
                    count.m_head, count.m_other, count.m_notOk, count.m_connections);
        complete = complete && cost.m_exitCode == 0;
        if (tool.startPageOnly)
        {
            complete = complete && count.m_distinctGetPages == 1;
            continue;
        }
        if (tool.name != "engine")
        {
            complete = complete && count.m_distinctGetPages == site.m_reachableBelowStart;
            continue;
        }
        const CEngineCounts counts = ReadEngineCounts(output);
        std::printf("  %-16s browsed %ld (predicted %zu reads of %zu distinct pages), %.1f MB "
                    "read (site: %.1f MB), listed %ld of %zu linked files\n",
                    "", counts.browsed, site.m_predictedReads, site.m_predictedDistinctReads,
                    counts.received / 1048576.0, site.m_pageBytes / 1048576.0, counts.listed,
                    site.m_linkedFiles);
        if (standardSite)
            complete = complete && counts.browsed == static_cast<long>(pages) &&
                       count.m_distinctGetPages == pages && count.m_repeatedGets == 0 &&
                       count.m_head == 0 && count.m_notOk == 0 &&
                       counts.received == static_cast<long>(site.m_pageBytes) &&
                       counts.listed == static_cast<long>(site.m_linkedFiles);
        else if (site.m_predictedReads != 0)
            complete = complete && counts.browsed == static_cast<long>(site.m_predictedReads) &&
                       count.m_distinctGetPages == site.m_predictedDistinctReads;
    }
    return complete;
}

void PrintTable(const std::vector<CTool>& tools, int runs, double floorMb)
{
    std::printf("\nMedian of %d runs (each tool a fresh process; wall time from start to exit):\n",
                runs);
    std::printf("  %-16s %6s %8s %9s %8s %12s\n", "tool", "pages", "wall s", "pages/s", "CPU s",
                "peak RSS MB");
    for (const CTool& tool : tools)
    {
        const double wall = MedianOf(tool.costs, Wall);
        std::printf("  %-16s %6zu %8.3f %9.0f %8.3f %12.1f\n", tool.name.c_str(), tool.pagesRead,
                    wall, static_cast<double>(tool.pagesRead) / wall, MedianOf(tool.costs, Cpu),
                    MedianOf(tool.costs, PeakMb));
    }
    // A forked child starts with a copy of this process's anonymous memory, and the kernel counts
    // it in the child's peak: a figure near the floor says more about this process than the tool.
    double smallestPeak = 1e9;
    for (const CTool& tool : tools)
        for (const CProcessCost& cost : tool.costs)
            smallestPeak = std::min(smallestPeak, PeakMb(cost));
    std::printf("  floor of the method (/bin/true measured the same way): %.1f MB%s\n", floorMb,
                floorMb >= 0.9 * smallestPeak ? "; NOTE: peaks near it are not the tools' own"
                                              : "");
    std::printf("  engine crawl alone (inside its process, start to end of the browse): %.3f s\n",
                Median(tools[0].engineSeconds));
    for (std::size_t other = 1; other < tools.size() && !tools[other].startPageOnly; ++other)
        std::printf("Ratio engine / %-15s wall %.2f (target <= 1.0), peak RSS %.2f "
                    "(target <= 2.0)\n",
                    tools[other].name.c_str(),
                    MedianOf(tools[0].costs, Wall) / MedianOf(tools[other].costs, Wall),
                    MedianOf(tools[0].costs, PeakMb) / MedianOf(tools[other].costs, PeakMb));
    // The last two tools read the start page only: what remains is what the crawl itself holds.
    const std::size_t engineOnePage = tools.size() - 2;
    std::printf("Peak RSS beyond reading the start page only: engine %.1f MB, wget GET pages "
                "%.1f MB\n",
                MedianOf(tools[0].costs, PeakMb) - MedianOf(tools[engineOnePage].costs, PeakMb),
                MedianOf(tools[1].costs, PeakMb) -
                    MedianOf(tools[engineOnePage + 1].costs, PeakMb));
}

int RunComparison(const CArguments& arguments)
{
    const std::string dir = MakeTempDir();
    if (dir.empty())
    {
        std::fprintf(stderr, "cannot make a temporary directory\n");
        return 1;
    }
    CSiteShape shape;
    shape.m_pages = arguments.pages;
    shape.m_awkwardLinks = arguments.awkwardLinks;
    shape.m_crossLinks = arguments.crossLinks;
    const bool standardSite = !shape.m_awkwardLinks && !shape.m_crossLinks;
    CGeneratedSite site;
    std::string error;
    const std::string documentRoot = dir + "/www";
    if (!GenerateSite(documentRoot, shape, site, error))
    {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const std::size_t pages = site.m_pagePaths.size();
    std::printf("Site: %zu pages (%.1f MB of HTML, %zu links), %zu files (%.1f MB), %zu of them "
                "linked\n  from %s: %zu pages below its directory; engine rules predict %zu "
                "reads of %zu pages\n",
                pages, site.m_pageBytes / 1048576.0, site.m_links, site.m_filePaths.size(),
                site.m_fileBytes / 1048576.0, site.m_linkedFiles, site.m_startPath.c_str(),
                site.m_reachableBelowStart, site.m_predictedReads, site.m_predictedDistinctReads);
    if (standardSite && (site.m_reachableBelowStart != pages || site.m_predictedReads != pages ||
                         site.m_predictedDistinctReads != pages))
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
        std::printf("Serving %s (quiet) and %s (logged to %s); Enter stops.\n",
                    StartUrl(nginx.QuietPort(), site).c_str(),
                    StartUrl(nginx.LoggedPort(), site).c_str(), nginx.AccessLog().c_str());
        std::fflush(stdout);
        std::getchar();
        nginx.Stop();
        if (!arguments.keep)
            std::filesystem::remove_all(dir);
        return 0;
    }

    std::vector<CTool> tools = MakeTools(arguments, dir);
    int run = 0;
    bool complete = CheckRequests(tools, nginx, site, standardSite, dir, run);

    // Timed runs on the quiet port, the tools taking turns.
    for (int round = 0; round < arguments.runs; ++round)
        for (CTool& tool : tools)
        {
            CProcessCost cost;
            const std::string output = dir + "/out-" + std::to_string(run) + ".txt";
            if (!RunMeasured(tool.command(StartUrl(nginx.QuietPort(), site), run), output,
                             dir + "/err-" + std::to_string(run) + ".txt", cost))
                return 1;
            ++run;
            if (tool.name == "engine")
            {
                const CEngineCounts counts = ReadEngineCounts(output);
                complete =
                    complete && (!standardSite || counts.browsed == static_cast<long>(pages));
                tool.engineSeconds.push_back(counts.seconds);
            }
            complete = complete && cost.m_exitCode == 0;
            tool.costs.push_back(cost);
        }
    nginx.Stop();
    CProcessCost floor;
    if (!RunMeasured({"/bin/true"}, "/dev/null", "/dev/null", floor))
        return 1;
    PrintTable(tools, arguments.runs, PeakMb(floor));

    if (!complete)
        std::printf("\nINCOMPLETE: a tool did not read the pages it should have\n");
    if (!arguments.keep && complete)
        std::filesystem::remove_all(dir);
    else
        std::printf("Kept %s\n", dir.c_str());
    return complete ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], kEngineChildFlag) == 0)
        return RunEngineChild(argv[2], argv[3],
                              argc == 4 || std::strcmp(argv[4], kStartPageOnly) != 0);
    CArguments arguments;
    if (!ParseArguments(argc, argv, arguments))
    {
        PrintUsage();
        return 2;
    }
    return RunComparison(arguments);
}
