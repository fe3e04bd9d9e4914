#include "HostileServer.h"

#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

// How long one wait lasts before the stop flag is looked at again.
constexpr int kTickMs = 50;
// A request head larger than this is refused by closing the connection.
constexpr std::size_t kMaxRequestHead = 64 * 1024;

const char* ReasonPhrase(int status)
{
    switch (status)
    {
    case 200:
        return "OK";
    case 302:
        return "Found";
    case 401:
        return "Unauthorized";
    case 404:
        return "Not Found";
    default:
        return "Status";
    }
}

void MakeNonBlocking(int socket)
{
    ::fcntl(socket, F_SETFL, ::fcntl(socket, F_GETFL) | O_NONBLOCK);
}

int ListenOnLoopback(int& port)
{
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0)
        throw std::runtime_error("cannot make a socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(socket, 64) != 0 ||
        ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    {
        ::close(socket);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    port = ntohs(address.sin_port);
    return socket;
}

} // namespace

bool CHostileExchange::Send(std::string_view bytes)
{
    while (!bytes.empty())
    {
        const ssize_t sent = ::send(m_socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0)
        {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        {
            if (!m_server.WaitFor(m_socket, POLLOUT))
                return false;
            continue;
        }
        return false;
    }
    return true;
}

bool CHostileExchange::Answer(int status, std::string_view contentType, std::string_view body,
                              std::string_view extraHeaders)
{
    std::string head = "HTTP/1.1 " + std::to_string(status) + " " + ReasonPhrase(status) + "\r\n";
    if (!contentType.empty())
        head.append("Content-Type: ").append(contentType).append("\r\n");
    head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    head.append(extraHeaders);
    head += "\r\n";
    if (!Send(head))
        return false;
    return m_method == "HEAD" || Send(body);
}

std::string CHostileExchange::Header(std::string_view name) const
{
    // Each line is "\r\nName: value"; the lines end with the last "\r\n".
    for (std::size_t start = 0; (start = m_headerLines.find("\r\n", start)) != std::string::npos;)
    {
        start += 2;
        const std::size_t colon = m_headerLines.find(':', start);
        const std::size_t end = m_headerLines.find("\r\n", start);
        if (colon == std::string::npos || colon > end || colon - start != name.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size(); ++i)
            same = same && std::tolower(static_cast<unsigned char>(m_headerLines[start + i])) ==
                               std::tolower(static_cast<unsigned char>(name[i]));
        if (!same)
            continue;
        std::size_t valueStart = colon + 1;
        while (valueStart < end && m_headerLines[valueStart] == ' ')
            ++valueStart;
        return m_headerLines.substr(valueStart, end - valueStart);
    }
    return {};
}

void CHostileExchange::Stall()
{
    m_server.m_stallsBegun.fetch_add(1);
    while (!m_server.m_released.load() && !m_server.IsStopping())
    {
        pollfd watch{m_socket, POLLIN, 0};
        if (::poll(&watch, 1, kTickMs) <= 0)
            continue;
        char byte = 0;
        const ssize_t got = ::recv(m_socket, &byte, 1, MSG_PEEK);
        if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR))
            return; // the client gave up
        if (got > 0)
            ::recv(m_socket, &byte, 1, 0); // a client that talks on is ignored
    }
}

CHostileServer::CHostileServer()
{
    m_listen = ListenOnLoopback(m_port);
    MakeNonBlocking(m_listen);
    m_acceptThread = std::thread([this] { AcceptLoop(); });
}

CHostileServer::~CHostileServer()
{
    Stop();
}

void CHostileServer::Handle(const std::string& path, CHandler handler)
{
    std::lock_guard lock(m_mutex);
    m_handlers[path] = std::move(handler);
}

void CHostileServer::Release()
{
    m_released = true;
}

void CHostileServer::Stop()
{
    if (m_stopping.exchange(true))
        return;
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    std::vector<std::thread> connections;
    {
        std::lock_guard lock(m_mutex);
        connections.swap(m_connections);
    }
    for (std::thread& connection : connections)
        connection.join();
    ::close(m_listen);
}

std::string CHostileServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

int CHostileServer::ClosedPort()
{
    int port = 0;
    ::close(ListenOnLoopback(port));
    return port;
}

int CHostileServer::Requests(const std::string& path) const
{
    std::lock_guard lock(m_mutex);
    const auto found = m_requests.find(path);
    return found == m_requests.end() ? 0 : found->second;
}

bool CHostileServer::WaitFor(int socket, short events)
{
    while (!IsStopping())
    {
        pollfd watch{socket, events, 0};
        const int ready = ::poll(&watch, 1, kTickMs);
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
    return false;
}

void CHostileServer::AcceptLoop()
{
    while (WaitFor(m_listen, POLLIN))
    {
        const int socket = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (socket < 0)
            continue;
        m_connectionsAccepted.fetch_add(1);
        const int on = 1;
        ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        std::lock_guard lock(m_mutex);
        m_connections.emplace_back([this, socket] { Serve(socket); });
    }
}

void CHostileServer::Serve(int socket)
{
    std::string buffer;
    for (bool keepAlive = true; keepAlive;)
    {
        // The request head; a body is never expected.
        std::size_t headEnd = std::string::npos;
        while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos)
        {
            if (buffer.size() > kMaxRequestHead || !WaitFor(socket, POLLIN))
            {
                ::close(socket);
                return;
            }
            char block[4096];
            const ssize_t got = ::recv(socket, block, sizeof block, 0);
            if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR))
            {
                ::close(socket);
                return;
            }
            if (got > 0)
                buffer.append(block, static_cast<std::size_t>(got));
        }
        const std::size_t lineEnd = buffer.find("\r\n");
        const std::string requestLine = buffer.substr(0, lineEnd);
        CHostileExchange exchange(*this, socket);
        exchange.m_headerLines = buffer.substr(lineEnd, headEnd + 2 - lineEnd);
        buffer.erase(0, headEnd + 4);

        const std::size_t space = requestLine.find(' ');
        exchange.m_method = requestLine.substr(0, space);
        if (space != std::string::npos)
            exchange.m_path =
                requestLine.substr(space + 1, requestLine.find(' ', space + 1) - (space + 1));
        CHandler handler;
        {
            std::lock_guard lock(m_mutex);
            ++m_requests[exchange.m_path];
            const auto found = m_handlers.find(exchange.m_path);
            if (found != m_handlers.end())
                handler = found->second;
        }
        keepAlive = handler ? handler(exchange) : exchange.Answer(404, "text/html", "missing");
    }
    ::close(socket);
}
