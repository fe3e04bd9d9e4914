// Transfers beside curl on 127.0.0.1: one large download with DownloadTo against "curl -o", and
// many small pages with FetchBody on one thread against one curl fetching the same URL list over
// one keep-alive connection. A private nginx serves both. Each of ours runs twice a round: with
// no per-site or bandwidth limit set, and with limits set that the run never reaches (the cost
// of keeping the account). Prints wall times and the ratios.

#include "../transfer_parts.h"
#include "net/TransferProgress.h"
#include "net/UrlTransfers.h"
#include "url/Url.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <random>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace
{

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs argv with standard output and error into /dev/null; the exit status, -1 when it could not
// run.
pid_t Spawn(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int Wait(pid_t pid)
{
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

std::uint16_t FreePort()
{
    const int sock = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length);
    close(sock);
    return ntohs(address.sin_port);
}

bool Answers(std::uint16_t port)
{
    const int sock = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(sock);
    return ok;
}

// A private nginx on 127.0.0.1 for the whole run: one worker, keep-alive without limit, no
// access log.
class CNginxServer
{
public:
    bool Start(const std::string& binary, const fs::path& prefix, const fs::path& root)
    {
        m_port = FreePort();
        fs::create_directories(prefix / "tmp");
        const fs::path config = prefix / "nginx.conf";
        std::ofstream out(config);
        const std::string tmp = (prefix / "tmp").string();
        out << "daemon off;\nmaster_process off;\nworker_processes 1;\n"
            << "pid " << (prefix / "nginx.pid").string() << ";\n"
            << "error_log " << (prefix / "error.log").string() << ";\n"
            << "events { worker_connections 64; }\n"
            << "http {\n  access_log off;\n  sendfile on;\n  tcp_nopush on;\n  tcp_nodelay on;\n"
            << "  keepalive_timeout 65;\n  keepalive_requests 1000000;\n"
            << "  client_body_temp_path " << tmp << ";\n  proxy_temp_path " << tmp << ";\n"
            << "  fastcgi_temp_path " << tmp << ";\n  uwsgi_temp_path " << tmp << ";\n"
            << "  scgi_temp_path " << tmp << ";\n"
            << "  types { text/html html; application/octet-stream bin; }\n"
            << "  server { listen 127.0.0.1:" << m_port << "; root " << root.string() << "; }\n"
            << "}\n";
        out.close();
        m_pid = Spawn({binary, "-p", prefix.string(), "-e", (prefix / "error.log").string(), "-c",
                       config.string()});
        if (m_pid < 0)
            return false;
        for (int attempt = 0; attempt < 500; ++attempt)
        {
            if (Answers(m_port))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    ~CNginxServer()
    {
        if (m_pid > 0)
        {
            kill(m_pid, SIGTERM);
            Wait(m_pid);
        }
    }
    std::string Url(const std::string& path) const
    {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }

private:
    pid_t m_pid = -1;
    std::uint16_t m_port = 0;
};

// Messages go to standard error; logins are cancelled.
class CSilentPrompts : public CEngineObserver
{
public:
    void OnEvent(CEngineEvent event) override
    {
        if (const auto* message = std::get_if<CShowMessageEvent>(&event))
            std::fprintf(stderr, "%s: %s\n", message->caption.c_str(), message->text.c_str());
        else if (const auto* prompt = std::get_if<CLoginPromptEvent>(&event))
            prompt->request->Answer(false);
    }
};

class CNoProgress : public CTransferProgress
{
public:
    void OnBegin(std::int64_t) override {}
    void OnProgress(std::uint64_t) override {}
    void OnEnd(bool complete) override { m_complete = complete; }
    bool m_complete = false;
};

// The transfer's parts, with a front-end that answers every prompt with Cancel.
struct CCore : CTransferParts
{
    explicit CCore(const fs::path& dir) : CTransferParts(dir.string()) { events.Install(&prompts); }
    ~CCore() { events.Install(nullptr); }
    CSilentPrompts prompts;
};

void WriteRandomFile(const fs::path& path, std::size_t bytes)
{
    std::mt19937_64 random(2024);
    std::vector<std::uint64_t> block(1 << 16);
    std::ofstream out(path, std::ios::binary);
    for (std::size_t written = 0; written < bytes;)
    {
        for (auto& word : block)
            word = random();
        const std::size_t count = std::min(bytes - written, block.size() * sizeof(std::uint64_t));
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(count));
        written += count;
    }
}

std::string PageText(int number)
{
    std::string text =
        "<html><head><title>Page " + std::to_string(number) + "</title></head><body>";
    for (int link = 0; link < 20; ++link)
        text += "<p><a href=\"page" + std::to_string((number + link) % 2000) +
                ".html\">a link to another page of the site</a></p>\n";
    return text + "</body></html>\n";
}

// No limit at all, or limits that the run never reaches: a connection cap far above the one
// connection used and the largest bandwidth cap. A request rate cap would be reached.
void SetLimits(COptions& options, bool on)
{
    options.m_siteRequestRate = 0;
    options.m_siteConnections = on ? kSiteConnectionsRange.maximum : 0;
    options.m_bandwidthLimitK = on ? kBandwidthLimitKRange.maximum : 0;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int ArgumentOr(int argc, char** argv, const std::string& name, int fallback)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (argv[i] == name)
            return std::atoi(argv[i + 1]);
    return fallback;
}

} // namespace

int main(int argc, char** argv)
{
    const int megabytes = ArgumentOr(argc, argv, "--mb", 256);
    const int pages = ArgumentOr(argc, argv, "--pages", 2000);
    const int runs = std::max(1, ArgumentOr(argc, argv, "--runs", 5));
    const char* nginxEnv = std::getenv("HARVESTOR_NGINX");
    const std::string nginx = nginxEnv != nullptr ? nginxEnv : "/usr/sbin/nginx";
    const char* curlEnv = std::getenv("HARVESTOR_CURL");
    const std::string curl = curlEnv != nullptr ? curlEnv : "/usr/bin/curl";

    const fs::path dir =
        fs::temp_directory_path() / ("harvestor-transfer-bench-" + std::to_string(getpid()));
    const fs::path root = dir / "root";
    fs::create_directories(root);
    const std::size_t bigBytes = static_cast<std::size_t>(megabytes) * 1024 * 1024;
    WriteRandomFile(root / "big.bin", bigBytes);
    std::size_t pageBytes = 0;
    std::ofstream curlConfig(dir / "pages.curl");
    std::vector<std::string> pageUrls;

    CNginxServer server;
    if (!server.Start(nginx, dir / "nginx", root))
    {
        std::fprintf(stderr, "nginx did not start (%s)\n", nginx.c_str());
        fs::remove_all(dir);
        return 1;
    }
    for (int page = 0; page < pages; ++page)
    {
        const std::string name = "/page" + std::to_string(page) + ".html";
        const std::string text = PageText(page);
        pageBytes += text.size();
        std::ofstream(root / name.substr(1)) << text;
        pageUrls.push_back(server.Url(name));
        curlConfig << "url = \"" << pageUrls.back() << "\"\noutput = \"/dev/null\"\n";
    }
    curlConfig.close();

    CCore core(dir);
    const std::string bigUrl = server.Url("/big.bin");
    const fs::path target = dir / "big.copy";
    std::vector<double> ours;
    std::vector<double> limited;
    std::vector<double> theirs;
    bool ok = true;
    for (int run = 0; run < runs; ++run)
    {
        for (const bool limits : {false, true})
        {
            SetLimits(core.options, limits);
            fs::remove(target);
            CUrl record(bigUrl);
            CNoProgress progress;
            const auto start = Clock::now();
            ok = DownloadTo(record, core.context, progress, target.string()) && ok;
            (limits ? limited : ours).push_back(SecondsSince(start));
            ok = ok && fs::file_size(target) == bigBytes;
        }

        fs::remove(target);
        const auto start = Clock::now();
        const pid_t pid = Spawn({curl, "-s", "-o", target.string(), bigUrl});
        ok = pid > 0 && Wait(pid) == 0 && ok;
        theirs.push_back(SecondsSince(start));
        ok = ok && fs::file_size(target) == bigBytes;
    }
    fs::remove(target);
    const double downloadOurs = Median(ours);
    const double downloadLimited = Median(limited);
    const double downloadCurl = Median(theirs);

    ours.clear();
    limited.clear();
    theirs.clear();
    std::size_t fetched = 0;
    for (int run = 0; run < runs; ++run)
    {
        for (const bool limits : {false, true})
        {
            SetLimits(core.options, limits);
            const auto start = Clock::now();
            for (const std::string& url : pageUrls)
            {
                CUrl record(url);
                const auto text = FetchBody(record, core.context);
                fetched += text ? text->size() : 0;
            }
            (limits ? limited : ours).push_back(SecondsSince(start));
        }

        const auto start = Clock::now();
        const pid_t pid = Spawn({curl, "-s", "-K", (dir / "pages.curl").string()});
        ok = pid > 0 && Wait(pid) == 0 && ok;
        theirs.push_back(SecondsSince(start));
    }
    ok = ok && fetched == 2 * pageBytes * static_cast<std::size_t>(runs);
    const double pagesOurs = Median(ours);
    const double pagesLimited = Median(limited);
    const double pagesCurl = Median(theirs);
    fs::remove_all(dir);

    std::printf("transfer_bench: median of %d runs, 127.0.0.1, nginx\n", runs);
    std::printf("%-34s %10s %10s %8s %8s\n", "case", "ours s", "curl s", "ratio", "target");
    std::printf("%-34s %10.3f %10.3f %8.2f %8s\n",
                ("DownloadTo " + std::to_string(megabytes) + " MB").c_str(), downloadOurs,
                downloadCurl, downloadOurs / downloadCurl, "1.10");
    std::printf("%-34s %10.3f %10.3f %8.2f %8s\n",
                ("FetchBody " + std::to_string(pages) + " pages, one thread").c_str(), pagesOurs,
                pagesCurl, pagesOurs / pagesCurl, "1.20");
    std::printf("%-34s %10.3f %10.3f %8.2f %8s\n", "DownloadTo, limits set, not reached",
                downloadLimited, downloadCurl, downloadLimited / downloadCurl, "1.10");
    std::printf("%-34s %10.3f %10.3f %8.2f %8s\n", "FetchBody, limits set, not reached",
                pagesLimited, pagesCurl, pagesLimited / pagesCurl, "1.20");
    std::printf("download %.0f MB/s ours, %.0f MB/s curl; pages %.0f/s ours, %.0f/s curl\n",
                megabytes / downloadOurs, megabytes / downloadCurl, pages / pagesOurs,
                pages / pagesCurl);
    if (!ok)
    {
        std::fprintf(stderr, "a transfer failed or delivered the wrong size\n");
        return 1;
    }
    return 0;
}
