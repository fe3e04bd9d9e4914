#include "e2e_check.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unordered_set>

namespace
{

namespace fs = std::filesystem;

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

template <class Field> double MedianOf(const std::vector<CProcessCost>& costs, Field field)
{
    std::vector<double> values;
    for (const CProcessCost& cost : costs)
        values.push_back(field(cost));
    return Median(values);
}

// "http://host:port/path" to "/path".
std::string PathOf(const std::string& url)
{
    const std::size_t scheme = url.find("://");
    const std::size_t path = url.find('/', scheme == std::string::npos ? 0 : scheme + 3);
    return path == std::string::npos ? std::string() : url.substr(path);
}

void CheckListing(const std::string& outputPath, const CSiteFacts& facts, CRunCheck& check)
{
    std::ifstream in(outputPath);
    std::unordered_set<std::string> listed;
    std::size_t lines = 0;
    for (std::string line; std::getline(in, line);)
    {
        ++lines;
        if (facts.m_sizeByPath.count(PathOf(line)) == 0)
        {
            check.Fail("listed " + line + ", not a file of the site");
            return;
        }
        listed.insert(line);
    }
    if (listed.size() != facts.m_linkedFiles || lines != listed.size())
        check.Fail("listed " + std::to_string(lines) + " lines, " + std::to_string(listed.size()) +
                   " distinct files of " + std::to_string(facts.m_linkedFiles));
}

void CheckDownloads(const std::string& folder, const CSiteFacts& facts, CRunCheck& check)
{
    std::unordered_set<std::string> saved;
    std::error_code code;
    for (fs::recursive_directory_iterator it(folder, code), end; !code && it != end;
         it.increment(code))
    {
        if (!it->is_regular_file())
            continue;
        const std::string name = it->path().filename().string();
        if (name.size() > 5 && name.compare(name.size() - 5, 5, ".html") == 0)
            continue;
        const auto known = facts.m_sizeByName.find(name);
        if (known == facts.m_sizeByName.end() || known->second != it->file_size() ||
            !saved.insert(name).second)
        {
            check.Fail("unexpected or wrong file " + it->path().string());
            return;
        }
    }
    if (saved.size() != facts.m_linkedFiles)
        check.Fail("saved " + std::to_string(saved.size()) + " of " +
                   std::to_string(facts.m_linkedFiles) + " files");
}

} // namespace

CSiteFacts CollectSiteFacts(const CGeneratedSite& site, const std::string& documentRoot)
{
    CSiteFacts facts;
    facts.m_pages = site.m_pagePaths.size();
    facts.m_linkedFiles = site.m_linkedFiles;
    for (const std::string& path : site.m_filePaths)
    {
        const std::uintmax_t size = FileSize(documentRoot + path);
        facts.m_sizeByPath[path] = size;
        facts.m_sizeByName[fs::path(path).filename().string()] = size;
    }
    return facts;
}

CRunCheck CheckOutput(const CTool& tool, const std::string& runDir, const CSiteFacts& facts)
{
    CRunCheck check;
    if (tool.task == ETask::kListSite && tool.harvestor)
        CheckListing(runDir + "/out.txt", facts, check);
    else if (tool.task == ETask::kDownload)
        CheckDownloads(runDir + "/files", facts, check);
    return check;
}

void CheckRequests(const CTool& tool, const CRequestCount& count, const CSiteFacts& facts,
                   CRunCheck& check)
{
    const std::size_t pages = tool.task == ETask::kStartPage ? 1 : facts.m_pages;
    const std::size_t gets = pages + (tool.task == ETask::kDownload ? facts.m_linkedFiles : 0);
    if (count.m_distinctGetPages != pages || count.m_get != gets || count.m_repeatedGets != 0 ||
        count.m_head != 0 || count.m_other != 0 || count.m_notOk != 0)
    {
        char text[200];
        std::snprintf(text, sizeof text,
                      "server saw GET %zu (distinct pages %zu, repeated %zu), HEAD %zu, other "
                      "%zu, not 200 %zu; expected GET %zu of %zu pages",
                      count.m_get, count.m_distinctGetPages, count.m_repeatedGets, count.m_head,
                      count.m_other, count.m_notOk, gets, pages);
        check.Fail(text);
    }
}

void CReport::Add(const std::string& scenario, const std::vector<CTool>& tools,
                  const CSiteFacts& facts)
{
    const auto wall = [](const CProcessCost& c) { return c.m_wallSeconds; };
    const auto cpu = [](const CProcessCost& c) { return c.m_cpuSeconds; };
    const auto rss = [](const CProcessCost& c) { return c.m_peakRssKb / 1024.0; };
    const std::size_t first = m_rows.size();
    for (const CTool& tool : tools)
    {
        CRow row;
        row.scenario = scenario;
        row.tool = tool.name;
        row.startPage = tool.task == ETask::kStartPage;
        row.threads = tool.threads;
        row.pages = row.startPage ? 1 : facts.m_pages;
        row.wall = MedianOf(tool.costs, wall);
        row.cpu = MedianOf(tool.costs, cpu);
        row.rssMb = MedianOf(tool.costs, rss);
        m_rows.push_back(row);
    }
    // Each row beside the program's last row of the same kind (whole site or start page).
    for (std::size_t i = first; i < m_rows.size(); ++i)
        for (std::size_t j = m_rows.size(); j-- > first;)
            if (m_rows[j].startPage == m_rows[i].startPage &&
                m_rows[j].tool.rfind("harvestor", 0) == 0)
            {
                m_rows[i].wallRatio = m_rows[j].wall / m_rows[i].wall;
                m_rows[i].rssRatio = m_rows[j].rssMb / m_rows[i].rssMb;
                m_rows[i].cpuRatio = m_rows[j].cpu / m_rows[i].cpu;
                break;
            }
}

void CReport::PrintScenario(const std::string& scenario, int runs) const
{
    std::printf("Median of %d runs (each a fresh process, wall time from start to exit):\n", runs);
    std::printf("  %-20s %7s %6s %8s %8s %7s %8s %11s %10s %11s\n", "tool", "threads", "pages",
                "wall s", "pages/s", "CPU s", "RSS MB", "wall ratio", "CPU ratio", "RSS ratio");
    for (const CRow& row : m_rows)
        if (row.scenario == scenario)
            std::printf("  %-20s %7s %6zu %8.3f %8.0f %7.3f %8.1f %11.2f %10.2f %11.2f\n",
                        row.tool.c_str(),
                        row.threads > 0 ? std::to_string(row.threads).c_str() : "default",
                        row.pages, row.wall, static_cast<double>(row.pages) / row.wall, row.cpu,
                        row.rssMb, row.wallRatio, row.cpuRatio, row.rssRatio);
    std::printf("  (ratios: harvestor / the tool; below 1 harvestor is faster or smaller)\n");
    std::fflush(stdout);
}

void CReport::PrintMarkdown(int runs) const
{
    std::printf("\nMedians of %d runs, as Markdown:\n\n", runs);
    std::printf(
        "| scenario | tool | threads | pages | wall s | pages/s | CPU s | peak RSS MB "
        "| harvestor / tool: wall | CPU | RSS |\n|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const CRow& row : m_rows)
        std::printf("| %s | %s | %s | %zu | %.3f | %.0f | %.3f | %.1f | %.2f | %.2f | %.2f |\n",
                    row.scenario.c_str(), row.tool.c_str(),
                    row.threads > 0 ? std::to_string(row.threads).c_str() : "default", row.pages,
                    row.wall, static_cast<double>(row.pages) / row.wall, row.cpu, row.rssMb,
                    row.wallRatio, row.cpuRatio, row.rssRatio);
}
