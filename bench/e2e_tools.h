#pragma once

#include "bench_process.h"

#include <functional>
#include <string>
#include <vector>

// What a tool is asked to do in a scenario.
enum class ETask
{
    kListSite,  // read every page of the site, list (or skip) the files
    kStartPage, // read the start page only: the cost of starting up
    kDownload,  // read every page and download every linked file
};

struct CToolPaths
{
    std::string harvestor;
    std::string wget;
    std::string wget2;
};

// One crawler in one scenario: its command and the costs of its timed runs.
struct CTool
{
    std::string name;
    ETask task = ETask::kListSite;
    bool harvestor = false;
    // Parallel connections it may use: 0 for the tool's own default.
    int threads = 1;
    // The program's pages read at once (its mode's field): 0 for its default.
    int pagesAtOnce = 0;
    // The command for a start URL and a folder that its saved files go to.
    std::function<std::vector<std::string>(const std::string& url, const std::string& files)>
        command;
    std::vector<CProcessCost> costs;
};

// The program (headless, "Find files on Site", or "Find files on Page" for the start page),
// wget -r and wget2 -r with the accept or reject lists that make each read the same pages.
std::vector<CTool> MakeListTools(const CToolPaths& paths);
std::vector<CTool> MakeDownloadTools(const CToolPaths& paths, int workers);

// The default file types as wget's suffix list.
extern const char* const kWgetFileTypes;
