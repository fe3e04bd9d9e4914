#include "engine_child.h"

#include "session/Engine.h"
#include "settings/ModeData.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <variant>
#include <vector>

namespace
{

constexpr std::int32_t kLocalFollowMax = 1000000;

// What a window would keep of the events: the texts of the pages and files, and how many other
// events came.
class CBenchFrame : public CEngineObserver
{
public:
    void OnEvent(CEngineEvent event) override
    {
        if (auto* page = std::get_if<CPageAddedEvent>(&event))
        {
            std::lock_guard lock(m_mutex);
            m_nodes.push_back(std::move(page->url));
        }
        else if (auto* file = std::get_if<CFileFoundEvent>(&event))
        {
            std::lock_guard lock(m_mutex);
            m_items.emplace_back(std::move(file->url), std::move(file->sizeText));
        }
        else
            m_messages.fetch_add(1, std::memory_order_relaxed);
    }
    std::size_t Nodes()
    {
        std::lock_guard lock(m_mutex);
        return m_nodes.size();
    }
    std::size_t Items()
    {
        std::lock_guard lock(m_mutex);
        return m_items.size();
    }
    std::atomic<std::size_t> m_messages{0};

private:
    std::mutex m_mutex;
    std::vector<std::string> m_nodes;
    std::vector<std::pair<std::string, std::string>> m_items;
};

} // namespace

int RunEngineChild(const std::string& startUrl, const std::string& workDir, bool wholeSite)
{
    CBenchFrame frame;
    double seconds = 0;
    CEngineStats stats;
    {
        CEngine engine(workDir, workDir + "/hvstr.log");
        if (!engine.Open("Hvstr152"))
        {
            std::fprintf(stderr, "no Internet session\n");
            return 2;
        }
        COptions options = *engine.Options();
        options.SetDefaults();
        engine.SetOptions(options);
        engine.SetObserver(&frame);

        std::unique_ptr<CModeData> mode = GetMode(wholeSite ? 1 : 0, options);
        if (wholeSite)
            mode->m_localFollowMax = kLocalFollowMax;
        const auto start = std::chrono::steady_clock::now();
        engine.BrowseSite(startUrl, std::move(mode));
        if (!engine.WaitForBrowses(std::chrono::minutes(10)))
        {
            std::fprintf(stderr, "the crawl did not end in time\n");
            return 3;
        }
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        stats = engine.Statistics();
        engine.SetObserver(nullptr);
    }
    std::printf("browsed=%u foundSites=%u foundFiles=%u received=%llu listed=%zu nodes=%zu "
                "messages=%zu seconds=%.4f\n",
                stats.browsedSites, stats.foundSites, stats.foundFiles,
                static_cast<unsigned long long>(stats.receivedBytes), frame.Items(), frame.Nodes(),
                frame.m_messages.load(), seconds);
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
