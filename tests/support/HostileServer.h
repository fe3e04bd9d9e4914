#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// One request on a connection of the hostile server, and the means to answer it, well or
// badly: raw bytes, a stall, or nothing at all.
class CHostileExchange
{
public:
    const std::string& Method() const { return m_method; }
    const std::string& Path() const { return m_path; }
    // The value of the request header called name (any case); empty when there is none.
    std::string Header(std::string_view name) const;

    // Writes the bytes as they are; false once the peer has gone or the server stops.
    bool Send(std::string_view bytes);
    // A well-formed answer whose Content-Length matches the body (no body for HEAD); true when
    // it went out, so the connection may serve another request.
    bool Answer(int status, std::string_view contentType, std::string_view body,
                std::string_view extraHeaders = {});
    // Waits until the server releases its stalls or stops, or the peer closes the connection.
    void Stall();

private:
    friend class CHostileServer;
    CHostileExchange(class CHostileServer& server, int socket) : m_server(server), m_socket(socket)
    {
    }

    CHostileServer& m_server;
    int m_socket;
    std::string m_method;
    std::string m_path;
    std::string m_headerLines;
};

// A web server on 127.0.0.1 written on raw sockets, so that it can do what a well-behaved HTTP
// library will not: stall, drop a connection, lie about a body's length, send garbage. One thread
// per connection; every wait ticks so that Stop() ends it promptly.
class CHostileServer
{
public:
    // Answers the exchange; returns true to keep the connection for another request.
    using CHandler = std::function<bool(CHostileExchange&)>;

    // Listens at once; unknown paths get a 404.
    CHostileServer();
    ~CHostileServer();
    CHostileServer(const CHostileServer&) = delete;
    CHostileServer& operator=(const CHostileServer&) = delete;

    // The path is matched exactly, query included.
    void Handle(const std::string& path, CHandler handler);
    // Ends every stall, now and later.
    void Release();
    // Ends every connection and waits for their threads.
    void Stop();

    int Port() const { return m_port; }
    std::string Url(const std::string& path) const;
    // A loopback port on which nothing listens.
    static int ClosedPort();

    // Requests received for path so far.
    int Requests(const std::string& path) const;
    // Stalls that have begun so far.
    int StallsBegun() const { return m_stallsBegun.load(); }
    // Connections accepted so far, whatever they sent.
    int Connections() const { return m_connectionsAccepted.load(); }

private:
    friend class CHostileExchange;

    void AcceptLoop();
    void Serve(int socket);
    // Waits for the socket to be ready for events; false once the server stops.
    bool WaitFor(int socket, short events);
    bool IsStopping() const { return m_stopping.load(); }

    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_released{false};
    std::atomic<int> m_stallsBegun{0};
    std::atomic<int> m_connectionsAccepted{0};
    std::thread m_acceptThread;

    mutable std::mutex m_mutex;
    std::map<std::string, CHandler> m_handlers;
    std::map<std::string, int> m_requests;
    std::vector<std::thread> m_connections;
};
