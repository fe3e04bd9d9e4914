#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <httplib.h>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>

// A real HTTP server on 127.0.0.1 with an ephemeral port, run in process. Register handlers on
// Server() (or with the helpers below), then Start(). It counts the connections it accepts and
// serves many requests per connection, so tests can see whether clients reuse connections.
class CTestHttpServer
{
public:
    CTestHttpServer()
    {
        m_server.new_task_queue = [this] { return new CCountingQueue(m_accepted); };
        m_server.set_keep_alive_max_count(100000);
        m_server.set_keep_alive_timeout(10);
        // Headers and body go out in separate writes; without this each answer waits for a
        // delayed acknowledgement.
        m_server.set_tcp_nodelay(true);
    }

    ~CTestHttpServer() { Stop(); }

    CTestHttpServer(const CTestHttpServer&) = delete;
    CTestHttpServer& operator=(const CTestHttpServer&) = delete;

    httplib::Server& Server() { return m_server; }

    void Start()
    {
        m_port = m_server.bind_to_any_port("127.0.0.1");
        if (m_port <= 0)
            throw std::runtime_error("cannot bind a test server");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        // stop() only reaches a server that is running.
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    // Releases stalled handlers, stops the server and waits for its threads.
    void Stop()
    {
        Release();
        if (m_thread.joinable())
        {
            m_server.stop();
            m_thread.join();
        }
    }

    int Port() const { return m_port; }
    std::string Url(const std::string& path) const
    {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }
    int AcceptedConnections() const { return m_accepted.load(); }

    // Blocks a handler until Release() or Stop(), at most budget.
    void StallUntilReleased(std::chrono::milliseconds budget = std::chrono::seconds(60))
    {
        std::unique_lock lock(m_stallMutex);
        m_stallCondition.wait_for(lock, budget, [this] { return m_released; });
    }
    void Release()
    {
        {
            std::lock_guard lock(m_stallMutex);
            m_released = true;
        }
        m_stallCondition.notify_all();
    }
    bool IsReleased()
    {
        std::lock_guard lock(m_stallMutex);
        return m_released;
    }

    // A GET that answers nothing until released.
    void ServeStall(const std::string& path)
    {
        m_server.Get(path,
                     [this](const httplib::Request&, httplib::Response& response)
                     {
                         StallUntilReleased();
                         response.set_content("late", "text/plain");
                     });
    }

    // Announces declaredLength bytes, sends sentBytes of 'x' and drops the connection.
    void ServeDroppedBody(const std::string& path, std::size_t declaredLength,
                          std::size_t sentBytes)
    {
        m_server.Get(
            path,
            [declaredLength, sentBytes](const httplib::Request&, httplib::Response& response)
            {
                response.set_content_provider(
                    declaredLength, "application/octet-stream",
                    [sentBytes](std::size_t offset, std::size_t, httplib::DataSink& sink)
                    {
                        if (offset >= sentBytes)
                            return false;
                        const std::string part(sentBytes - offset, 'x');
                        sink.write(part.data(), part.size());
                        return true;
                    });
            });
    }

    // prefix + "0" redirects to prefix + "1" and so on; prefix + hops answers body.
    void ServeRedirectChain(const std::string& prefix, int hops, const std::string& body)
    {
        for (int hop = 0; hop < hops; ++hop)
        {
            const std::string next = prefix + std::to_string(hop + 1);
            m_server.Get(prefix + std::to_string(hop),
                         [next](const httplib::Request&, httplib::Response& response)
                         { response.set_redirect(next); });
        }
        m_server.Get(prefix + std::to_string(hops),
                     [body](const httplib::Request&, httplib::Response& response)
                     { response.set_content(body, "text/html"); });
    }

    // first redirects to second and second to first.
    void ServeRedirectLoop(const std::string& first, const std::string& second)
    {
        m_server.Get(first, [second](const httplib::Request&, httplib::Response& response)
                     { response.set_redirect(second); });
        m_server.Get(second, [first](const httplib::Request&, httplib::Response& response)
                     { response.set_redirect(first); });
    }

private:
    // Every accepted connection is handed to the task queue once, so counting there counts
    // connections.
    class CCountingQueue : public httplib::TaskQueue
    {
    public:
        explicit CCountingQueue(std::atomic<int>& accepted) : m_pool(16), m_accepted(accepted) {}
        void enqueue(std::function<void()> task) override
        {
            ++m_accepted;
            m_pool.enqueue(std::move(task));
        }
        void shutdown() override { m_pool.shutdown(); }

    private:
        httplib::ThreadPool m_pool;
        std::atomic<int>& m_accepted;
    };

    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    std::atomic<int> m_accepted{0};
    std::mutex m_stallMutex;
    std::condition_variable m_stallCondition;
    bool m_released = false;
};
