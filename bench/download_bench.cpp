// The download workers beside "curl --parallel" on a private nginx on 127.0.0.1: a set of many
// small files and a set of a few large ones, each fetched with the same number of parallel
// transfers by both tools, taking turns, each run a fresh child process. Prints the medians of
// wall time, CPU time and peak RSS, and the wall-time ratios (workers / curl).

#include "bench_process.h"
#include "session/Engine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

namespace fs = std::filesystem;

struct CArguments
{
    int runs = 3;
    int workers = 4;
    int smallFiles = 500;
    int smallKb = 64;
    int largeFiles = 8;
    int largeMb = 64;
    std::string nginx = "/usr/sbin/nginx";
    std::string curl = "/usr/bin/curl";
    std::string dir; // default: a fresh folder under the system's temporary folder
};

struct CFileSet
{
    std::string name;
    std::vector<std::string> files; // names below the document root's /files/
    std::uintmax_t bytesEach = 0;
};

struct CMedians
{
    double wall = 0;
    double cpu = 0;
    double rssMb = 0;
};

// The child side: queue every URL of the list, start the workers as the file list's Download
// command does, and wait until they have ended.
int RunWorkers(const std::string& urlList, const std::string& outputDir, int workers)
{
    const std::string workDir = outputDir + ".work";
    fs::create_directories(workDir);
    CEngine engine(workDir, workDir + "/hvstr.log");
    COptions options = *engine.Options();
    options.m_downloadDir = outputDir + "/";
    options.m_downloadThreads = workers;
    options.m_checkLength = kCheckLengthNever;
    engine.SetOptions(options);
    if (!engine.Open("Hvstr152"))
        return 3;
    std::vector<std::string> urls;
    std::ifstream in(urlList);
    for (std::string url; std::getline(in, url);)
        urls.push_back(url);
    // One call: the workers start once, after every file is queued.
    if (!engine.RetryDownloads(urls))
        return 4;
    if (!engine.WaitForAllWork(std::chrono::hours(1)))
        return 5;
    const CEngineStats stats = engine.Statistics();
    std::printf("%u files, %llu bytes\n", stats.receivedFiles,
                static_cast<unsigned long long>(stats.receivedBytes));
    return 0;
}

bool ParseArguments(int argc, char** argv, CArguments& arguments)
{
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--runs" && hasValue)
            arguments.runs = std::atoi(argv[++i]);
        else if (arg == "--workers" && hasValue)
            arguments.workers = std::atoi(argv[++i]);
        else if (arg == "--small" && hasValue)
            arguments.smallFiles = std::atoi(argv[++i]);
        else if (arg == "--small-kb" && hasValue)
            arguments.smallKb = std::atoi(argv[++i]);
        else if (arg == "--large" && hasValue)
            arguments.largeFiles = std::atoi(argv[++i]);
        else if (arg == "--large-mb" && hasValue)
            arguments.largeMb = std::atoi(argv[++i]);
        else if (arg == "--nginx" && hasValue)
            arguments.nginx = argv[++i];
        else if (arg == "--curl" && hasValue)
            arguments.curl = argv[++i];
        else if (arg == "--dir" && hasValue)
            arguments.dir = argv[++i];
        else
        {
            std::fprintf(stderr,
                         "usage: download_bench [--runs 3] [--workers 4] [--small 500] "
                         "[--small-kb 64] [--large 8] [--large-mb 64]\n"
                         "                      [--nginx PATH] [--curl PATH] [--dir DIR]\n");
            return false;
        }
    }
    return arguments.runs > 0 && arguments.workers > 0;
}

// Writes count files of bytesEach bytes (a byte pattern that no layer could compress).
CFileSet MakeFiles(const fs::path& root, const std::string& name, const std::string& prefix,
                   int count, std::uintmax_t bytesEach)
{
    CFileSet set{name, {}, bytesEach};
    std::string block(1 << 20, '\0');
    std::uint32_t state = 2024;
    for (char& c : block)
    {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    for (int i = 0; i < count; ++i)
    {
        char file[64];
        std::snprintf(file, sizeof file, "%s%04d.zip", prefix.c_str(), i);
        std::ofstream out(root / file, std::ios::binary | std::ios::trunc);
        for (std::uintmax_t written = 0; written < bytesEach;)
        {
            const std::size_t part = std::min<std::uintmax_t>(block.size(), bytesEach - written);
            out.write(block.data() + (i % 7), static_cast<std::streamsize>(part));
            written += part;
        }
        set.files.push_back(file);
    }
    return set;
}

bool CheckDownloads(const fs::path& outputDir, const CFileSet& set)
{
    for (const std::string& file : set.files)
        if (FileSize((outputDir / file).string()) != set.bytesEach)
        {
            std::fprintf(stderr, "%s: wrong or missing\n", (outputDir / file).c_str());
            return false;
        }
    return true;
}

CMedians Median(std::vector<CProcessCost> costs)
{
    const auto middle = [&](auto field)
    {
        std::vector<double> values;
        for (const CProcessCost& cost : costs)
            values.push_back(field(cost));
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    return {middle([](const CProcessCost& c) { return c.m_wallSeconds; }),
            middle([](const CProcessCost& c) { return c.m_cpuSeconds; }),
            middle([](const CProcessCost& c) { return c.m_peakRssKb / 1024.0; })};
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::string(argv[1]) == "--workers-child")
        return RunWorkers(argv[2], argv[3], std::atoi(argv[4]));

    CArguments arguments;
    if (!ParseArguments(argc, argv, arguments))
        return 2;
    const fs::path dir =
        arguments.dir.empty()
            ? fs::temp_directory_path() / ("harvestor-download-bench-" + std::to_string(getpid()))
            : fs::path(arguments.dir);
    const fs::path root = dir / "root";
    fs::create_directories(root / "files");

    std::printf("writing %d x %d KB and %d x %d MB ...\n", arguments.smallFiles, arguments.smallKb,
                arguments.largeFiles, arguments.largeMb);
    const std::vector<CFileSet> sets = {
        MakeFiles(root / "files", "small", "small", arguments.smallFiles,
                  std::uintmax_t(arguments.smallKb) * 1024),
        MakeFiles(root / "files", "large", "large", arguments.largeFiles,
                  std::uintmax_t(arguments.largeMb) * 1024 * 1024),
    };

    CNginx nginx;
    std::string error;
    if (!nginx.Start(arguments.nginx, dir.string(), root.string(), error))
    {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const std::string base = "http://127.0.0.1:" + std::to_string(nginx.QuietPort()) + "/files/";
    const std::string self = fs::canonical("/proc/self/exe").string();

    bool complete = true;
    std::printf("%-6s %-8s %9s %9s %9s\n", "set", "tool", "wall s", "CPU s", "RSS MB");
    std::vector<std::pair<std::string, double>> ratios;
    for (const CFileSet& set : sets)
    {
        const fs::path urlList = dir / (set.name + ".urls");
        const fs::path curlConfig = dir / (set.name + ".curl");
        const fs::path workersOut = dir / (set.name + "-workers");
        const fs::path curlOut = dir / (set.name + "-curl");
        {
            std::ofstream urls(urlList);
            std::ofstream config(curlConfig);
            for (const std::string& file : set.files)
            {
                urls << base << file << "\n";
                config << "url = \"" << base << file << "\"\noutput = \""
                       << (curlOut / file).string() << "\"\n";
            }
        }
        struct CTool
        {
            std::string name;
            fs::path output;
            std::vector<std::string> command;
            std::vector<CProcessCost> costs;
        } tools[] = {
            {"workers",
             workersOut,
             {self, "--workers-child", urlList.string(), workersOut.string(),
              std::to_string(arguments.workers)},
             {}},
            {"curl",
             curlOut,
             {arguments.curl, "-s", "-S", "--parallel", "--parallel-max",
              std::to_string(arguments.workers), "-K", curlConfig.string()},
             {}},
        };
        for (int run = 0; run < arguments.runs; ++run)
        {
            for (CTool& tool : tools)
            {
                fs::remove_all(tool.output);
                fs::remove_all(tool.output.string() + ".work");
                fs::create_directories(tool.output);
                CProcessCost cost;
                const std::string log = (dir / (tool.name + ".out")).string();
                const std::string errors = (dir / (tool.name + ".err")).string();
                if (!RunMeasured(tool.command, log, errors, cost) || cost.m_exitCode != 0 ||
                    !CheckDownloads(tool.output, set))
                {
                    std::fprintf(stderr, "%s failed on the %s set (exit %d), see %s\n",
                                 tool.name.c_str(), set.name.c_str(), cost.m_exitCode,
                                 errors.c_str());
                    complete = false;
                }
                tool.costs.push_back(cost);
            }
        }
        const CMedians ours = Median(tools[0].costs);
        const CMedians theirs = Median(tools[1].costs);
        for (const auto& [tool, medians] : {std::pair{"workers", ours}, std::pair{"curl", theirs}})
            std::printf("%-6s %-8s %9.3f %9.3f %9.1f\n", set.name.c_str(), tool, medians.wall,
                        medians.cpu, medians.rssMb);
        ratios.emplace_back(set.name, ours.wall / theirs.wall);
        fs::remove_all(workersOut);
        fs::remove_all(workersOut.string() + ".work");
        fs::remove_all(curlOut);
    }
    nginx.Stop();
    for (const auto& [name, ratio] : ratios)
        std::printf("wall-time ratio workers / curl, %s set: %.2f (target 1.10 or less)\n",
                    name.c_str(), ratio);
    if (arguments.dir.empty())
        fs::remove_all(dir);
    return complete ? 0 : 1;
}
