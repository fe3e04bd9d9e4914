#pragma once

#include "support/WaitFor.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <httplib.h>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

// A declared web site on a loopback address: a table of paths and what they answer, served by
// a real HTTP server. It records every request ("GET /a.htm", "HEAD /x.zip") in order.
class CTestSite
{
public:
    struct CResource
    {
        std::string body;
        std::string contentType = "text/html";
        std::string lastModified;   // sent as Last-Modified when not empty
        std::string location;       // sent as Location when not empty (with a 3xx status)
        bool announceLength = true; // false: chunked, no Content-Length
        int status = 200;
        std::chrono::milliseconds delay{0}; // waited before answering
        std::string authorization;          // when set, anything else gets 401 (Basic)
        // When set, the answer waits (at most 5 s) until this request ("GET /b.htm") has come.
        std::string awaitRequest;
        std::string disposition; // sent as Content-Disposition when not empty
        int headStatus = 0;      // when set, HEAD gets this status and no headers of the resource
    };

    explicit CTestSite(std::string address = "127.0.0.1") : m_address(std::move(address))
    {
        auto handler = [this](const httplib::Request& request, httplib::Response& response)
        { Answer(request, response); };
        m_server.set_tcp_nodelay(true);
        // A thread per kept-alive connection: a browse may hold 16 and another thread more.
        m_server.new_task_queue = [] { return new httplib::ThreadPool(40); };
        m_server.Get(".*", handler);
        m_port = m_server.bind_to_any_port(m_address);
        if (m_port <= 0)
            throw std::runtime_error("cannot bind a test site on " + m_address);
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        // A stop that comes before the accept loop runs would be lost, and the join would hang.
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~CTestSite()
    {
        m_server.stop();
        m_thread.join();
    }
    CTestSite(const CTestSite&) = delete;
    CTestSite& operator=(const CTestSite&) = delete;

    // "http://address:port" + path.
    std::string Url(const std::string& path) const
    {
        return "http://" + m_address + ":" + std::to_string(m_port) + path;
    }

    void Put(const std::string& path, CResource resource)
    {
        std::lock_guard lock(m_mutex);
        m_resources[path] = std::move(resource);
    }
    void Page(const std::string& path, const std::string& html)
    {
        CResource page;
        page.body = html;
        Put(path, page);
    }
    void File(const std::string& path, std::size_t size, bool announceLength = true)
    {
        CResource file;
        file.body.assign(size, 'f');
        file.contentType = "application/octet-stream";
        file.announceLength = announceLength;
        Put(path, file);
    }

    std::vector<std::string> Requests()
    {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }
    // The paths of the GET requests, in order.
    std::vector<std::string> Gets()
    {
        std::vector<std::string> gets;
        for (const std::string& request : Requests())
        {
            if (request.rfind("GET ", 0) == 0)
                gets.push_back(request.substr(4));
        }
        return gets;
    }
    // When each request of Requests() came.
    std::vector<std::chrono::steady_clock::time_point> RequestTimes()
    {
        std::lock_guard lock(m_mutex);
        return m_times;
    }
    // The most requests answered at the same time.
    int MostBusy() const { return m_mostBusy.load(); }
    // Answers whose awaited request had not come in time.
    int AwaitsInVain() const { return m_awaitsInVain.load(); }
    void ClearRequests()
    {
        std::lock_guard lock(m_mutex);
        m_requests.clear();
        m_times.clear();
    }

private:
    bool Awaited(const std::string& request)
    {
        return WaitFor(
            [&]
            {
                std::lock_guard lock(m_mutex);
                return std::find(m_requests.begin(), m_requests.end(), request) != m_requests.end();
            },
            std::chrono::seconds(5));
    }

    void Answer(const httplib::Request& request, httplib::Response& response)
    {
        CResource resource;
        bool denied = false;
        {
            std::lock_guard lock(m_mutex);
            // A path with its query ("/get.php?id=7") answers before the path alone.
            auto found = m_resources.find(request.target);
            if (found == m_resources.end())
                found = m_resources.find(request.path);
            if (found != m_resources.end())
            {
                resource = found->second;
                denied = !resource.authorization.empty() &&
                         request.get_header_value("Authorization") != resource.authorization;
            }
            // A refused login shows as "GET /path 401".
            m_requests.push_back(request.method + " " + request.path + (denied ? " 401" : ""));
            m_times.push_back(std::chrono::steady_clock::now());
            if (found == m_resources.end())
            {
                response.status = 404;
                return;
            }
        }
        const int busy = ++m_busy;
        for (int most = m_mostBusy.load();
             busy > most && !m_mostBusy.compare_exchange_weak(most, busy);)
        {
        }
        std::this_thread::sleep_for(resource.delay);
        if (!resource.awaitRequest.empty() && !Awaited(resource.awaitRequest))
            ++m_awaitsInVain;
        --m_busy;
        if (denied)
        {
            response.status = 401;
            response.set_header("WWW-Authenticate", "Basic realm=\"test\"");
            return;
        }
        if (request.method == "HEAD" && resource.headStatus != 0)
        {
            response.status = resource.headStatus;
            return;
        }
        response.status = resource.status;
        if (!resource.disposition.empty())
            response.set_header("Content-Disposition", resource.disposition);
        if (!resource.lastModified.empty())
            response.set_header("Last-Modified", resource.lastModified);
        if (!resource.location.empty())
            response.set_header("Location", resource.location);
        if (resource.announceLength)
        {
            response.set_content(resource.body, resource.contentType.c_str());
            return;
        }
        response.set_chunked_content_provider(
            resource.contentType,
            [body = resource.body](std::size_t offset, httplib::DataSink& sink)
            {
                if (offset < body.size())
                    sink.write(body.data() + offset, body.size() - offset);
                else
                    sink.done();
                return true;
            });
    }

    std::string m_address;
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    std::mutex m_mutex;
    std::map<std::string, CResource> m_resources;
    std::vector<std::string> m_requests;
    std::vector<std::chrono::steady_clock::time_point> m_times;
    std::atomic<int> m_busy{0};
    std::atomic<int> m_mostBusy{0};
    std::atomic<int> m_awaitsInVain{0};
};
