#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <httplib.h>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

// A site on 127.0.0.1 that measures how it is asked, from its own side: when each request came
// and the most connections it had open at once (Linux: the kernel's table of TCP sockets).
// /page/<i> is a page that links to /page/<2i+1>, /page/<2i+2> (while below pages) and to
// /file/<i>.zip; /file/<name> and /bytes/<n>/<name> answer n (else fileBytes) bytes. Every answer
// waits delay first.
class CMeteredSite
{
public:
    using Clock = std::chrono::steady_clock;

    explicit CMeteredSite(int pages = 0, std::size_t fileBytes = 1000,
                          std::chrono::milliseconds delay = {})
        : m_pages(pages), m_fileBytes(fileBytes), m_delay(delay)
    {
        m_server.new_task_queue = [this] { return new CGaugeQueue(*this); };
        m_server.set_tcp_nodelay(true);
        m_server.set_keep_alive_max_count(100000);
        // Idle connections the client keeps would hold the server's stop this long.
        m_server.set_keep_alive_timeout(1);
        m_server.Get(".*", [this](const httplib::Request& request, httplib::Response& response)
                     { Answer(request, response); });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        if (m_port <= 0)
            throw std::runtime_error("cannot bind a metered site");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~CMeteredSite()
    {
        Release();
        m_server.stop();
        m_thread.join();
    }
    CMeteredSite(const CMeteredSite&) = delete;
    CMeteredSite& operator=(const CMeteredSite&) = delete;

    std::string Url(const std::string& path) const
    {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }

    // /stall/<name> answers only once released.
    void Release()
    {
        {
            std::lock_guard lock(m_mutex);
            m_released = true;
        }
        m_releasedCondition.notify_all();
    }

    std::size_t Requests()
    {
        std::lock_guard lock(m_mutex);
        return m_arrivals.size();
    }
    // The most requests that came within any span of one second.
    std::size_t MostRequestsInASecond()
    {
        std::lock_guard lock(m_mutex);
        std::vector<Clock::time_point> times = m_arrivals;
        std::sort(times.begin(), times.end());
        std::size_t most = 0;
        for (std::size_t first = 0, last = 0; last < times.size(); ++last)
        {
            while (times[last] - times[first] >= std::chrono::seconds(1))
                ++first;
            most = std::max(most, last - first + 1);
        }
        return most;
    }
    int MostConnectionsOpen() const { return m_mostOpen.load(); }

private:
    // The kernel's count of the site's connections that the client has not closed: a
    // connection the client closed before it opened the next one is past ESTABLISHED by the
    // time the next is accepted, whether or not a server thread has seen it end yet.
    int EstablishedConnections() const
    {
        std::ifstream table("/proc/net/tcp");
        std::string line;
        std::getline(table, line);
        int count = 0;
        while (std::getline(table, line))
        {
            std::istringstream fields(line);
            std::string slot, local, remote, state;
            fields >> slot >> local >> remote >> state;
            const std::size_t colon = local.find(':');
            if (colon != std::string::npos && state == "01" &&
                std::stoi(local.substr(colon + 1), nullptr, 16) == m_port)
                ++count;
        }
        return count;
    }

    // Each accepted connection is handed over once: the count goes up only there.
    class CGaugeQueue : public httplib::TaskQueue
    {
    public:
        explicit CGaugeQueue(CMeteredSite& site) : m_pool(48), m_site(site) {}
        void enqueue(std::function<void()> task) override
        {
            const int open = m_site.EstablishedConnections();
            int most = m_site.m_mostOpen.load();
            while (open > most && !m_site.m_mostOpen.compare_exchange_weak(most, open))
            {
            }
            m_pool.enqueue(std::move(task));
        }
        void shutdown() override { m_pool.shutdown(); }

    private:
        httplib::ThreadPool m_pool;
        CMeteredSite& m_site;
    };

    void Answer(const httplib::Request& request, httplib::Response& response)
    {
        {
            std::unique_lock lock(m_mutex);
            m_arrivals.push_back(Clock::now());
            if (request.path.rfind("/stall/", 0) == 0)
                m_releasedCondition.wait_for(lock, std::chrono::seconds(30),
                                             [this] { return m_released; });
        }
        std::this_thread::sleep_for(m_delay);
        const std::string& path = request.path;
        if (path.rfind("/page/", 0) == 0)
        {
            const int page = std::atoi(path.c_str() + 6);
            std::string html =
                "<html><body><a href=\"/file/" + std::to_string(page) + ".zip\">f</a>";
            for (int child : {2 * page + 1, 2 * page + 2})
                if (child < m_pages)
                    html += "<a href=\"/page/" + std::to_string(child) + "\">p</a>";
            response.set_content(html + "</body></html>", "text/html");
            return;
        }
        std::size_t bytes = m_fileBytes;
        if (path.rfind("/bytes/", 0) == 0)
            bytes = static_cast<std::size_t>(std::atoll(path.c_str() + 7));
        response.set_content(std::string(bytes, 'b'), "application/zip");
    }

    const int m_pages;
    const std::size_t m_fileBytes;
    const std::chrono::milliseconds m_delay;
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    std::atomic<int> m_mostOpen{0};
    std::mutex m_mutex;
    std::condition_variable m_releasedCondition;
    bool m_released = false;
    std::vector<Clock::time_point> m_arrivals;
};
