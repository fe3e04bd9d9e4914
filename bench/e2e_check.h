#pragma once

#include "bench_process.h"
#include "e2e_tools.h"
#include "site_generator.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// What every complete run must have read and saved.
struct CSiteFacts
{
    std::size_t m_pages = 0;
    std::size_t m_linkedFiles = 0;
    std::unordered_map<std::string, std::uintmax_t> m_sizeByPath; // URL path of every file
    std::unordered_map<std::string, std::uintmax_t> m_sizeByName; // file name (unique)
};
CSiteFacts CollectSiteFacts(const CGeneratedSite& site, const std::string& documentRoot);

struct CRunCheck
{
    bool m_ok = true;
    std::string m_problems;
    void Fail(const std::string& problem)
    {
        m_ok = false;
        m_problems += (m_problems.empty() ? "" : "; ") + problem;
    }
};

// The program's list of found files (its standard output) must name every linked file once;
// a download folder must hold every linked file once, with its size, and nothing else but
// pages.
CRunCheck CheckOutput(const CTool& tool, const std::string& runDir, const CSiteFacts& facts);
// Every page read once with GET, every linked file too when downloading, nothing else.
void CheckRequests(const CTool& tool, const CRequestCount& count, const CSiteFacts& facts,
                   CRunCheck& check);

// The medians of each scenario, printed as it ends and all together as Markdown at the end.
class CReport
{
public:
    void Add(const std::string& scenario, const std::vector<CTool>& tools, const CSiteFacts& facts);
    void PrintScenario(const std::string& scenario, int runs) const;
    void PrintMarkdown(int runs) const;

private:
    struct CRow
    {
        std::string scenario;
        std::string tool;
        bool startPage = false;
        int threads = 0;
        std::size_t pages = 0;
        double wall = 0;
        double cpu = 0;
        double rssMb = 0;
        double wallRatio = 0; // harvestor / this tool
        double rssRatio = 0;
        double cpuRatio = 0;
    };
    std::vector<CRow> m_rows;
};
