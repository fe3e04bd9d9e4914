#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// A TCP relay on 127.0.0.1 that adds a fixed latency to every HTTP request: each client
// connection gets a connection of its own to the upstream port, and every request head (up to
// its blank line) is held for the delay before it is passed on; answers flow back at once. Meant
// for requests without a body (GET, HEAD), which is all a crawler sends.
class CDelayProxy
{
public:
    CDelayProxy() = default;
    ~CDelayProxy() { Stop(); }
    CDelayProxy(const CDelayProxy&) = delete;
    CDelayProxy& operator=(const CDelayProxy&) = delete;

    // Listens on a free port of 127.0.0.1; false with error set when it cannot.
    bool Start(std::uint16_t upstreamPort, std::chrono::milliseconds delay, std::string& error);
    // Closes the listener and every open connection, and waits for their threads.
    void Stop();

    std::uint16_t Port() const { return m_port; }
    // Request heads held and passed on so far.
    std::size_t DelayedRequests() const { return m_delayedRequests.load(); }

private:
    struct CConnection
    {
        int client = -1;
        int upstream = -1;
        std::thread toUpstream;
        std::thread toClient;
        std::atomic<int> finished{0};
    };

    void AcceptLoop();
    void ForwardRequests(CConnection& connection);
    static void ForwardAnswers(CConnection& connection);
    // Joins and closes the connections whose threads have both ended (all of them with all).
    void Reap(bool all);

    int m_listener = -1;
    std::uint16_t m_port = 0;
    std::uint16_t m_upstreamPort = 0;
    std::chrono::milliseconds m_delay{0};
    std::atomic<bool> m_stopping{false};
    std::atomic<std::size_t> m_delayedRequests{0};
    std::thread m_acceptor;
    std::mutex m_mutex;
    std::list<std::unique_ptr<CConnection>> m_connections;
};
