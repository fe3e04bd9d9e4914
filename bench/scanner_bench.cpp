// The per-page link scan over 64 MB of generated HTML, beside memchr for "<" over the same
// bytes. Prints, after the table, the scan's rate as a share of memchr's.
//
//   scanner_bench [--benchmark_filter=...]      HARVESTOR_BENCH_MB overrides the corpus size

#include "crawl/LinkScanner.h"
#include "crawl/ScanSteps.h"
#include "html_generator.h"
#include "url/Url.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace
{

struct CCorpus
{
    std::vector<CGeneratedPage> m_pages;
    // The scan rewrites its text in place, so it works on copies refreshed before each pass.
    std::vector<std::string> m_work;
    std::vector<std::unique_ptr<CUrl>> m_pageRecords;
    std::size_t m_bytes = 0;

    void Refresh()
    {
        for (std::size_t i = 0; i < m_pages.size(); ++i)
            std::memcpy(m_work[i].data(), m_pages[i].m_html.data(), m_pages[i].m_html.size());
    }
};

CCorpus& Corpus()
{
    static CCorpus corpus = []
    {
        std::size_t megabytes = 64;
        if (const char* size = std::getenv("HARVESTOR_BENCH_MB"))
            megabytes = std::strtoul(size, nullptr, 10);
        CCorpus c;
        c.m_pages = GenerateHtmlPages(megabytes << 20, 2024);
        for (const CGeneratedPage& page : c.m_pages)
        {
            c.m_work.push_back(page.m_html);
            c.m_pageRecords.push_back(std::make_unique<CUrl>(page.m_url));
            c.m_bytes += page.m_html.size();
        }
        return c;
    }();
    return corpus;
}

const std::vector<std::string> kNoKeywords;
const std::vector<std::string> kKeywords{"setup", "driver"};

// memchr for every "<": the floor that any scan for tags pays.
void BM_MemchrLessThan(benchmark::State& state)
{
    const CCorpus& corpus = Corpus();
    for (auto _ : state)
    {
        std::size_t count = 0;
        for (const CGeneratedPage& page : corpus.m_pages)
        {
            const char* p = page.m_html.data();
            const char* const end = p + page.m_html.size();
            while ((p = static_cast<const char*>(std::memchr(p, '<', end - p))) != nullptr)
            {
                ++count;
                ++p;
            }
        }
        benchmark::DoNotOptimize(count);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * corpus.m_bytes));
}

void BM_Collapse(benchmark::State& state)
{
    CCorpus& corpus = Corpus();
    for (auto _ : state)
    {
        state.PauseTiming();
        corpus.Refresh();
        state.ResumeTiming();
        for (std::string& text : corpus.m_work)
            benchmark::DoNotOptimize(CollapseWhitespace(text.data()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * corpus.m_bytes));
}

// The scan of one page as a browse thread runs it; resolve also resolves every value and makes
// a record of each link that is new on the page (the visited set compares the resolved texts,
// which are in normal form, exactly).
template <bool resolve>
void ScanPages(benchmark::State& state, const std::vector<std::string>& keywords)
{
    CCorpus& corpus = Corpus();
    std::size_t links = 0;
    std::size_t records = 0;
    std::unordered_set<std::string> visited;
    std::string link;
    const auto onLink = [&](std::string& value, const CUrl& base)
    {
        ++links;
        if constexpr (resolve)
        {
            link = value;
            if (!ResolveLink(base, link))
                return true;
            if (!visited.insert(link).second)
                return true;
            const CUrl record(link);
            benchmark::DoNotOptimize(record.m_pageKind);
            ++records;
        }
        return true;
    };
    const CScanOutput output{onLink, [] {}};
    for (auto _ : state)
    {
        state.PauseTiming();
        corpus.Refresh();
        links = 0;
        records = 0;
        state.ResumeTiming();
        for (std::size_t i = 0; i < corpus.m_work.size(); ++i)
        {
            visited.clear();
            ScanPage(corpus.m_work[i], *corpus.m_pageRecords[i], keywords, output);
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * corpus.m_bytes));
    state.counters["links"] = static_cast<double>(links);
    if (resolve)
        state.counters["records"] = static_cast<double>(records);
}

void BM_CollapseAndScan(benchmark::State& state)
{
    ScanPages<false>(state, kNoKeywords);
}
void BM_CollapseAndScanKeywords(benchmark::State& state)
{
    ScanPages<false>(state, kKeywords);
}
void BM_ScanResolveParse(benchmark::State& state)
{
    ScanPages<true>(state, kNoKeywords);
}

BENCHMARK(BM_MemchrLessThan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Collapse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CollapseAndScan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CollapseAndScanKeywords)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanResolveParse)->Unit(benchmark::kMillisecond);

// The console table, then each scan's rate beside memchr's.
class CRatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
        {
            const auto rate = run.counters.find("bytes_per_second");
            if (run.run_type == Run::RT_Iteration && rate != run.counters.end())
                m_rates[run.run_name.function_name] = rate->second.value;
        }
    }

    void PrintSummary() const
    {
        const auto memchrRate = m_rates.find("BM_MemchrLessThan");
        std::printf("\n%-28s %10s %12s\n", "", "MB/s", "of memchr");
        for (const auto& [name, rate] : m_rates)
        {
            std::printf("%-28s %10.0f", name.c_str(), rate / 1e6);
            if (memchrRate != m_rates.end() && memchrRate->second > 0)
                std::printf(" %11.1f%%", 100.0 * rate / memchrRate->second);
            std::printf("\n");
        }
    }

private:
    std::map<std::string, double> m_rates;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::printf("corpus: %zu pages, %.1f MB\n", Corpus().m_pages.size(), Corpus().m_bytes / 1e6);
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
    return 0;
}
