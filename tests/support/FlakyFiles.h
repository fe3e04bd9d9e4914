#pragma once

#include "support/HostileServer.h"

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <vector>

// Files on a raw server that fail in turn, as on a busy site with a bad line: each file's first
// request is refused with status (and Retry-After: retryAfter when given), the second starts the
// body and drops the connection part way, the third is refused again, and the fourth sends what
// was asked: the rest after a Range request, else the whole. Later requests get the whole.
class CFlakyFiles
{
public:
    CFlakyFiles(CHostileServer& server, int status, std::string retryAfter)
        : m_server(server), m_status(status), m_retryAfter(std::move(retryAfter))
    {
    }

    void Add(const std::string& path, const std::string& body,
             const std::string& type = "application/octet-stream")
    {
        m_server.Handle(path, [this, path, body, type](CHostileExchange& exchange)
                        { return Answer(path, body, type, exchange); });
    }

    // The Range header of each request for path ("" for none), in order.
    std::vector<std::string> Ranges(const std::string& path)
    {
        std::lock_guard lock(m_mutex);
        return m_ranges[path];
    }
    // When each request for any path arrived.
    std::vector<std::chrono::steady_clock::time_point> Arrivals()
    {
        std::lock_guard lock(m_mutex);
        return m_arrivals;
    }

private:
    bool Answer(const std::string& path, const std::string& body, const std::string& type,
                CHostileExchange& exchange)
    {
        const std::string range = exchange.Header("Range");
        std::size_t count = 0;
        {
            std::lock_guard lock(m_mutex);
            m_ranges[path].push_back(range);
            m_arrivals.push_back(std::chrono::steady_clock::now());
            count = m_ranges[path].size();
        }
        const std::string validator = "ETag: \"v1\"\r\n";
        if (count == 1 || count == 3)
        {
            const std::string wait =
                m_retryAfter.empty() ? std::string() : "Retry-After: " + m_retryAfter + "\r\n";
            return exchange.Answer(m_status, "text/plain", "busy", wait);
        }
        if (count == 2)
        {
            exchange.Send("HTTP/1.1 200 OK\r\nContent-Type: " + type + "\r\nContent-Length: " +
                          std::to_string(body.size()) + "\r\n" + validator + "\r\n");
            exchange.Send(std::string_view(body).substr(0, body.size() * 2 / 5));
            return false;
        }
        if (range.rfind("bytes=", 0) != 0)
            return exchange.Answer(200, type, body, validator);
        const std::size_t from = std::stoul(range.substr(6));
        return exchange.Answer(206, type, body.substr(from),
                               validator + "Content-Range: bytes " + std::to_string(from) + "-" +
                                   std::to_string(body.size() - 1) + "/" +
                                   std::to_string(body.size()) + "\r\n");
    }

    CHostileServer& m_server;
    const int m_status;
    const std::string m_retryAfter;
    std::mutex m_mutex;
    std::map<std::string, std::vector<std::string>> m_ranges;
    std::vector<std::chrono::steady_clock::time_point> m_arrivals;
};
