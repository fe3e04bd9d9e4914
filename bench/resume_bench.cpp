// Resuming a cut download on a private nginx on 127.0.0.1: one large file is downloaded whole,
// then downloaded again but cancelled once half of it is in, then downloaded a third time,
// which asks only for the rest. Prints, as medians over the runs, the bytes and the wall time of
// the resumed download as shares of the whole download's.

#include "bench_process.h"
#include "net/TransferProgress.h"
#include "net/UrlTransfers.h"
#include "settings/Options.h"
#include "transfer_parts.h"
#include "url/Url.h"

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

// Sets the cancel flag once the download holds at least stopAt bytes.
class CCutter : public CTransferProgress
{
public:
    CCutter(std::atomic<bool>& cancel, std::uint64_t stopAt) : m_cancel(cancel), m_stopAt(stopAt) {}
    void OnBegin(std::int64_t) override {}
    void OnProgress(std::uint64_t received) override
    {
        if (received >= m_stopAt)
            m_cancel = true;
    }
    void OnEnd(bool) override {}

private:
    std::atomic<bool>& m_cancel;
    std::uint64_t m_stopAt;
};

struct CAttempt
{
    bool complete = false;
    std::uint64_t bytes = 0;
    double seconds = 0;
};

CAttempt Download(CTransferParts& parts, const std::string& url, const std::string& path,
                  std::uint64_t stopAt)
{
    CUrl record(url);
    CCutter progress(parts.cancelDownload, stopAt);
    const std::uint64_t before = parts.statistics.m_receivedBytes.load();
    const auto start = std::chrono::steady_clock::now();
    CAttempt attempt;
    attempt.complete = DownloadTo(record, parts.context, progress, path);
    attempt.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    attempt.bytes = parts.statistics.m_receivedBytes.load() - before;
    parts.cancelDownload = false;
    return attempt;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 3;
    int sizeMb = 256;
    std::string nginxBinary = "/usr/sbin/nginx";
    for (int i = 1; i + 1 < argc; i += 2)
    {
        const std::string arg = argv[i];
        if (arg == "--runs")
            runs = std::atoi(argv[i + 1]);
        else if (arg == "--mb")
            sizeMb = std::atoi(argv[i + 1]);
        else if (arg == "--nginx")
            nginxBinary = argv[i + 1];
    }
    const fs::path root =
        fs::temp_directory_path() / ("resume_bench." + std::to_string(::getpid()));
    fs::create_directories(root / "www");
    fs::create_directories(root / "dl");
    fs::create_directories(root / "nginx");
    const std::uint64_t size = static_cast<std::uint64_t>(sizeMb) << 20;
    {
        std::string block(1 << 20, '\0');
        std::uint32_t state = 2024;
        for (char& c : block)
        {
            state = state * 1664525u + 1013904223u;
            c = static_cast<char>(state >> 24);
        }
        std::ofstream out(root / "www" / "big.bin", std::ios::binary);
        for (int i = 0; i < sizeMb; ++i)
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    CNginx nginx;
    std::string error;
    if (!nginx.Start(nginxBinary, (root / "nginx").string(), (root / "www").string(), error))
    {
        std::fprintf(stderr, "nginx: %s\n", error.c_str());
        return 1;
    }
    const std::string url = "http://127.0.0.1:" + std::to_string(nginx.QuietPort()) + "/big.bin";
    const std::string path = (root / "dl" / "big.bin").string();

    CTransferParts parts(root.string());
    parts.options.m_checkLength = kCheckLengthNever;
    if (!parts.session.IsOpen())
        return 2;
    std::vector<double> byteShares;
    std::vector<double> timeShares;
    for (int run = 0; run < runs; ++run)
    {
        const CAttempt whole = Download(parts, url, path, size + 1);
        fs::remove(path);
        const CAttempt cut = Download(parts, url, path, size / 2);
        const CAttempt rest = Download(parts, url, path, size + 1);
        if (!whole.complete || cut.complete || !rest.complete || fs::file_size(path) != size)
        {
            std::fprintf(stderr, "run %d: a download did not end as expected\n", run);
            return 3;
        }
        fs::remove(path);
        std::printf("run %d: whole %.3f s; cut after %llu bytes; rest %llu bytes in %.3f s\n", run,
                    whole.seconds, static_cast<unsigned long long>(cut.bytes),
                    static_cast<unsigned long long>(rest.bytes), rest.seconds);
        byteShares.push_back(static_cast<double>(rest.bytes) / static_cast<double>(size));
        timeShares.push_back(rest.seconds / whole.seconds);
    }
    nginx.Stop();
    fs::remove_all(root);
    std::printf("file %d MB, %d runs: resumed bytes / file %.3f, resumed time / whole time %.3f\n",
                sizeMb, runs, Median(byteShares), Median(timeShares));
    return 0;
}
