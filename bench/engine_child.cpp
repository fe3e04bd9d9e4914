#include "engine_child.h"

#include "core/TrawlerCore.h"
#include "crawl/BrowseEngine.h"
#include "settings/ModeData.h"
#include "url/Url.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <vector>

namespace
{

constexpr std::int32_t kLocalFollowMax = 1000000;

// Bench-local views: they keep what a window would (the texts), nothing more.
class CBenchTree : public CSiteTreeTarget
{
public:
    void InsertNode(const std::string&, const std::string& urlText, bool) override
    {
        std::lock_guard lock(m_mutex);
        m_texts.push_back(urlText);
    }
    std::size_t Count()
    {
        std::lock_guard lock(m_mutex);
        return m_texts.size();
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_texts;
};

class CBenchList : public CFileListTarget
{
public:
    void InsertItem(const std::string& urlText, const std::string& sizeText) override
    {
        std::lock_guard lock(m_mutex);
        m_items.emplace_back(urlText, sizeText);
    }
    std::size_t Count()
    {
        std::lock_guard lock(m_mutex);
        return m_items.size();
    }

private:
    std::mutex m_mutex;
    std::vector<std::pair<std::string, std::string>> m_items;
};

class CCountingFrame : public CEngineObserver
{
public:
    void OnEvent(CEngineEvent) override { m_messages.fetch_add(1, std::memory_order_relaxed); }
    std::atomic<std::size_t> m_messages{0};
};

} // namespace

int RunEngineChild(const std::string& startUrl, const std::string& workDir, bool wholeSite)
{
    CBenchTree tree;
    CBenchList list;
    CCountingFrame frame;
    double seconds = 0;
    std::uint32_t browsed = 0;
    std::uint32_t foundSites = 0;
    std::uint32_t foundFiles = 0;
    std::uint64_t receivedBytes = 0;
    {
        CTrawlerCore core(workDir, workDir + "/hvstr.log");
        if (!core.OpenSession("Hvstr152"))
        {
            std::fprintf(stderr, "no Internet session\n");
            return 2;
        }
        core.m_options.SetDefaults();
        core.PublishOptions();
        core.m_foundFiles.SetTarget(&list);
        core.m_sites.SetTarget(&tree);
        core.m_events.Install(&frame);

        std::unique_ptr<CModeData> mode = GetMode(wholeSite ? 1 : 0, core.m_options);
        if (wholeSite)
            mode->m_localFollowMax = kLocalFollowMax;
        const auto start = std::chrono::steady_clock::now();
        CUrlHold site = core.m_urlStore.Add(core.NewRecord(startUrl));
        core.m_sites.AddLocked(site);
        StartBrowse(core, std::move(site), std::move(mode));
        if (!WaitForBrowseThreads(core, std::chrono::minutes(10)))
        {
            std::fprintf(stderr, "the crawl did not end in time\n");
            return 3;
        }
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        browsed = core.m_stats.m_browsedSites.load();
        foundSites = core.m_stats.m_foundSites.load();
        foundFiles = core.m_stats.m_foundFiles.load();
        receivedBytes = core.m_stats.m_receivedBytes.load();
        core.m_events.Install(nullptr);
        core.m_foundFiles.SetTarget(nullptr);
        core.m_sites.SetTarget(nullptr);
    }
    std::printf("browsed=%u foundSites=%u foundFiles=%u received=%llu listed=%zu nodes=%zu "
                "messages=%zu seconds=%.4f\n",
                browsed, foundSites, foundFiles, static_cast<unsigned long long>(receivedBytes),
                list.Count(), tree.Count(), frame.m_messages.load(), seconds);
    return 0;
}

CEngineCounts ReadEngineCounts(const std::string& outputPath)
{
    CEngineCounts counts;
    std::ifstream in(outputPath);
    std::string field;
    while (in >> field)
    {
        const std::size_t equals = field.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string name = field.substr(0, equals);
        const std::string value = field.substr(equals + 1);
        if (name == "browsed")
            counts.browsed = std::atol(value.c_str());
        else if (name == "received")
            counts.received = std::atol(value.c_str());
        else if (name == "listed")
            counts.listed = std::atol(value.c_str());
        else if (name == "seconds")
            counts.seconds = std::atof(value.c_str());
    }
    return counts;
}
