#include "bench_process.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <unordered_set>

namespace
{

using Clock = std::chrono::steady_clock;

// Starts argv with the given output files; -1 when fork fails. The child is killed when the
// calling process dies, so no server or crawler outlives a crashed benchmark.
pid_t Spawn(const std::vector<std::string>& argv, const std::string& outputPath,
            const std::string& errorPath)
{
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)
        _exit(127);
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0)
        _exit(127);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    execv(args[0], args.data());
    _exit(127);
}

// A port on 127.0.0.1 that nobody listens on right now.
std::uint16_t FreePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    std::uint16_t port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}

bool Answers(std::uint16_t port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

double Seconds(const timeval& time)
{
    return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6;
}

} // namespace

bool RunMeasured(const std::vector<std::string>& argv, const std::string& outputPath,
                 const std::string& errorPath, CProcessCost& cost)
{
    cost = CProcessCost{};
    const Clock::time_point start = Clock::now();
    const pid_t pid = Spawn(argv, outputPath, errorPath);
    if (pid < 0)
        return false;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return false;
    cost.m_wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    cost.m_cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    cost.m_peakRssKb = usage.ru_maxrss;
    cost.m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

bool CNginx::Start(const std::string& binary, const std::string& prefixDir,
                   const std::string& documentRoot, std::string& error)
{
    m_quietPort = FreePort();
    m_loggedPort = FreePort();
    while (m_loggedPort == m_quietPort && m_quietPort != 0)
        m_loggedPort = FreePort();
    if (m_quietPort == 0 || m_loggedPort == 0)
    {
        error = "no free port on 127.0.0.1";
        return false;
    }
    m_accessLog = prefixDir + "/access.log";
    const std::string config = prefixDir + "/nginx.conf";
    {
        std::ofstream out(config, std::ios::trunc);
        // One worker: the other core is the crawler's. Connections stay open for the whole
        // crawl, so neither tool pays for reconnecting.
        out << "worker_processes 1;\n"
               "events { worker_connections 256; }\n"
               "http {\n"
               "  access_log off;\n"
               "  log_format bench '$request_method $uri $status $connection';\n"
               "  sendfile on;\n  tcp_nopush on;\n  tcp_nodelay on;\n"
               "  keepalive_timeout 65;\n  keepalive_requests 100000;\n"
               "  types { text/html html; application/octet-stream exe zip qt mov jpg avi mp3 "
               "m3u mpeg mpg; }\n"
               "  default_type application/octet-stream;\n"
               "  client_body_temp_path "
            << prefixDir << "/body;\n  proxy_temp_path " << prefixDir
            << "/proxy;\n  fastcgi_temp_path " << prefixDir << "/fastcgi;\n  uwsgi_temp_path "
            << prefixDir << "/uwsgi;\n  scgi_temp_path " << prefixDir
            << "/scgi;\n"
               "  server { listen 127.0.0.1:"
            << m_quietPort << "; root " << documentRoot
            << "; }\n"
               "  server { listen 127.0.0.1:"
            << m_loggedPort << "; root " << documentRoot << "; access_log " << m_accessLog
            << " bench; }\n"
               "}\n";
        if (!out)
        {
            error = "cannot write " + config;
            return false;
        }
    }
    m_pid = Spawn({binary, "-p", prefixDir, "-c", config, "-e", prefixDir + "/error.log", "-g",
                   "daemon off; pid " + prefixDir + "/nginx.pid;"},
                  prefixDir + "/nginx.out", prefixDir + "/nginx.err");
    if (m_pid < 0)
    {
        error = "cannot start " + binary;
        return false;
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(10);
    while (!(Answers(m_quietPort) && Answers(m_loggedPort)))
    {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid)
        {
            m_pid = -1;
            error = "nginx ended at start; see " + prefixDir + "/nginx.err and error.log";
            return false;
        }
        if (Clock::now() > deadline)
        {
            Stop();
            error = "nginx does not answer";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

void CNginx::Stop()
{
    if (m_pid < 0)
        return;
    kill(m_pid, SIGQUIT);
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
    int status = 0;
    while (waitpid(m_pid, &status, WNOHANG) == 0)
    {
        if (Clock::now() > deadline)
        {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    m_pid = -1;
}

std::uintmax_t FileSize(const std::string& path)
{
    std::error_code code;
    const std::uintmax_t size = std::filesystem::file_size(path, code);
    return code ? 0 : size;
}

CRequestCount CountRequests(const std::string& accessLog, std::uintmax_t from)
{
    CRequestCount count;
    std::ifstream in(accessLog);
    in.seekg(static_cast<std::streamoff>(from));
    std::unordered_set<std::string> seen;
    std::unordered_set<std::string> connections;
    std::string line;
    while (std::getline(in, line))
    {
        std::istringstream fields(line);
        std::string method;
        std::string uri;
        int status = 0;
        std::string connection;
        if (!(fields >> method >> uri >> status >> connection))
            continue;
        connections.insert(connection);
        if (status != 200)
            ++count.m_notOk;
        if (method == "GET")
        {
            ++count.m_get;
            if (!seen.insert(uri).second)
                ++count.m_repeatedGets;
            else if (uri.size() > 5 && uri.compare(uri.size() - 5, 5, ".html") == 0)
                ++count.m_distinctGetPages;
        }
        else if (method == "HEAD")
            ++count.m_head;
        else
            ++count.m_other;
    }
    count.m_connections = connections.size();
    return count;
}
