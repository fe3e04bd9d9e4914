#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

// What one measured child process cost, from its start to its reaping.
struct CProcessCost
{
    double m_wallSeconds = 0;
    double m_cpuSeconds = 0; // user and system
    long m_peakRssKb = 0;    // the child's own ru_maxrss
    int m_exitCode = -1;     // -1 when it did not exit normally
};

// Runs argv (argv[0] a path) as a child with standard output into outputPath and standard error
// into errorPath, waits for it and measures it. The child dies with the calling process. False
// when it cannot be started.
bool RunMeasured(const std::vector<std::string>& argv, const std::string& outputPath,
                 const std::string& errorPath, CProcessCost& cost);

// A private nginx on 127.0.0.1 serving documentRoot on two ports: a quiet one (no access log)
// for timed runs and a logged one whose access log lists "METHOD URI STATUS CONNECTION" per
// request.
class CNginx
{
public:
    CNginx() = default;
    ~CNginx() { Stop(); }
    CNginx(const CNginx&) = delete;
    CNginx& operator=(const CNginx&) = delete;

    // Writes the configuration into prefixDir and starts the server; false with error set when
    // it does not answer on both ports within a few seconds.
    bool Start(const std::string& binary, const std::string& prefixDir,
               const std::string& documentRoot, std::string& error);
    void Stop();

    std::uint16_t QuietPort() const { return m_quietPort; }
    std::uint16_t LoggedPort() const { return m_loggedPort; }
    const std::string& AccessLog() const { return m_accessLog; }

private:
    pid_t m_pid = -1;
    std::uint16_t m_quietPort = 0;
    std::uint16_t m_loggedPort = 0;
    std::string m_accessLog;
};

// The requests appended to an access log since byte offset from.
struct CRequestCount
{
    std::size_t m_get = 0;
    std::size_t m_head = 0;
    std::size_t m_other = 0;
    std::size_t m_notOk = 0;            // any status but 200
    std::size_t m_distinctGetPages = 0; // distinct URIs ending in ".html" read with GET
    std::size_t m_repeatedGets = 0;     // GETs of a URI already read in the same span
    std::size_t m_connections = 0;      // distinct connections the requests came on
};
CRequestCount CountRequests(const std::string& accessLog, std::uintmax_t from);
std::uintmax_t FileSize(const std::string& path);
