#pragma once

#include <string>

// The engine's side of the crawl benchmark, run in a process of its own: one crawl of startUrl
// with bench-local tree and list views, in "Find files on Site" with the local maximum raised
// to cover any site, or (wholeSite false) in "Find files on Page". Prints one line of counts
// ("browsed=... seconds=...") to standard output and returns the process exit code.
int RunEngineChild(const std::string& startUrl, const std::string& workDir, bool wholeSite);

// The counts of that line; -1 for a count that is missing.
struct CEngineCounts
{
    long browsed = -1;
    long listed = -1;
    long received = -1; // page bytes read

    double seconds = 0;
};
CEngineCounts ReadEngineCounts(const std::string& outputPath);
