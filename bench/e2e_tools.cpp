#include "e2e_tools.h"

const char* const kWgetFileTypes = "exe,zip,qt,mov,jpg,avi,mp3,m3u,mpeg,mpg";

namespace
{

using CArgs = std::vector<std::string>;

CTool Tool(std::string name, ETask task, int threads, decltype(CTool::command) command,
           bool harvestor = false)
{
    CTool tool;
    tool.name = std::move(name);
    tool.task = task;
    tool.threads = threads;
    tool.command = std::move(command);
    tool.harvestor = harvestor;
    return tool;
}

// The program runs in its working directory (the caller's), where its settings are.
CTool Harvestor(const std::string& path, std::string name, ETask task, int threads,
                int pagesAtOnce = 0)
{
    const char* mode = task == ETask::kStartPage ? "1" : "2";
    CTool tool = Tool(
        std::move(name), task, threads,
        [path, mode](const std::string& url, const std::string&)
        { return CArgs{path, "-site", url, "-mode", mode, "-nocheck"}; },
        true);
    tool.pagesAtOnce = pagesAtOnce;
    return tool;
}

// Every page once with GET and no file: "-R" keeps wget from asking for the files at all.
CArgs WgetList(const std::string& wget, const std::string& url, const std::string& files)
{
    return {wget, "-r",           "-l", "inf", "-np", "--delete-after", "-q", "-e", "robots=off",
            "-R", kWgetFileTypes, "-P", files, url};
}

// "--filter-urls" applies the list to the URL before any request; without it wget2 asks for
// every rejected file (and for every page not on an accept list) with HEAD first.
CArgs Wget2List(const std::string& wget2, const std::string& url, const std::string& files,
                int threads)
{
    CArgs args{
        wget2,           "-r", "-l",           "0",  "-np", "--delete-after", "-q", "--robots=off",
        "--filter-urls", "-R", kWgetFileTypes, "-P", files};
    if (threads > 0)
        args.push_back("--max-threads=" + std::to_string(threads));
    args.push_back(url);
    return args;
}

// "\.(html|exe|zip|...)(#.*)?$"
std::string AcceptPagesAndFiles()
{
    std::string types = kWgetFileTypes;
    for (char& c : types)
        if (c == ',')
            c = '|';
    return "\\.(html|" + types + ")(#.*)?$";
}

} // namespace

std::vector<CTool> MakeListTools(const CToolPaths& paths)
{
    std::vector<CTool> tools;
    // One page at a time as before, and five at once beside wget2's five connections; the
    // ratios are the last one's.
    tools.push_back(Harvestor(paths.harvestor, "harvestor, 1 at once", ETask::kListSite, 1, 1));
    tools.push_back(Harvestor(paths.harvestor, "harvestor, 5 at once", ETask::kListSite, 5, 5));
    tools.push_back(Tool("wget -r", ETask::kListSite, 1,
                         [wget = paths.wget](const std::string& url, const std::string& files)
                         { return WgetList(wget, url, files); }));
    tools.push_back(Tool("wget2 -r, 1 thread", ETask::kListSite, 1,
                         [wget2 = paths.wget2](const std::string& url, const std::string& files)
                         { return Wget2List(wget2, url, files, 1); }));
    tools.push_back(Tool("wget2 -r, default", ETask::kListSite, 0,
                         [wget2 = paths.wget2](const std::string& url, const std::string& files)
                         { return Wget2List(wget2, url, files, 0); }));
    tools.push_back(Harvestor(paths.harvestor, "harvestor 1 page", ETask::kStartPage, 1));
    tools.push_back(Tool("wget 1 page", ETask::kStartPage, 1,
                         [wget = paths.wget](const std::string& url, const std::string&) {
                             return CArgs{wget, "-q", "-O", "/dev/null", url};
                         }));
    tools.push_back(Tool("wget2 1 page", ETask::kStartPage, 1,
                         [wget2 = paths.wget2](const std::string& url, const std::string&) {
                             return CArgs{wget2, "-q", "-O", "/dev/null", url};
                         }));
    return tools;
}

std::vector<CTool> MakeDownloadTools(const CToolPaths& paths, int workers)
{
    std::vector<CTool> tools;
    tools.push_back(Harvestor(paths.harvestor, "harvestor", ETask::kDownload, workers));
    // wget reads the pages to find links and removes them afterwards, since "-A" rejects them;
    // it has one connection.
    tools.push_back(Tool("wget -r", ETask::kDownload, 1,
                         [wget = paths.wget](const std::string& url, const std::string& files)
                         {
                             return CArgs{wget,           "-r", "-l",  "inf",        "-np",
                                          "-nd",          "-q", "-e",  "robots=off", "-A",
                                          kWgetFileTypes, "-P", files, url};
                         }));
    // wget2 recurses without a HEAD for each page first only into pages that pass its lists,
    // so it keeps the pages it read beside the files. A regular expression, since with "-A"
    // it drops a page whose first link carries a fragment and then never reads it.
    tools.push_back(
        Tool("wget2 -r", ETask::kDownload, workers,
             [wget2 = paths.wget2, workers](const std::string& url, const std::string& files)
             {
                 return CArgs{wget2,
                              "-r",
                              "-l",
                              "0",
                              "-np",
                              "-q",
                              "--robots=off",
                              "--filter-urls",
                              "--accept-regex",
                              AcceptPagesAndFiles(),
                              "--max-threads=" + std::to_string(workers),
                              "-P",
                              files,
                              url};
             }));
    return tools;
}
