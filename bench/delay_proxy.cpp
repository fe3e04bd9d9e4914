#include "delay_proxy.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

constexpr std::size_t kBufferBytes = 64 * 1024;
constexpr int kAcceptPollMs = 50;

sockaddr_in LoopbackAddress(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

// Small answers and request heads must not wait for more bytes to fill a segment.
void SetNoDelay(int fd)
{
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0)
    {
        const ssize_t written = send(fd, data, size, MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

ssize_t ReadSome(int fd, char* buffer, std::size_t size)
{
    ssize_t got = 0;
    do
        got = recv(fd, buffer, size, 0);
    while (got < 0 && errno == EINTR);
    return got;
}

} // namespace

bool CDelayProxy::Start(std::uint16_t upstreamPort, std::chrono::milliseconds delay,
                        std::string& error)
{
    Stop();
    m_upstreamPort = upstreamPort;
    m_delay = delay;
    m_stopping = false;
    m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = LoopbackAddress(0);
    socklen_t length = sizeof address;
    if (m_listener < 0 ||
        bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_listener, 128) != 0 ||
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    {
        error = std::string("delay proxy: cannot listen: ") + std::strerror(errno);
        if (m_listener >= 0)
            close(m_listener);
        m_listener = -1;
        return false;
    }
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread([this] { AcceptLoop(); });
    return true;
}

void CDelayProxy::Stop()
{
    if (m_listener < 0)
        return;
    m_stopping = true;
    m_acceptor.join();
    close(m_listener);
    m_listener = -1;
    {
        std::lock_guard lock(m_mutex);
        for (const auto& connection : m_connections)
        {
            shutdown(connection->client, SHUT_RDWR);
            shutdown(connection->upstream, SHUT_RDWR);
        }
    }
    Reap(true);
}

void CDelayProxy::AcceptLoop()
{
    while (!m_stopping.load())
    {
        pollfd waiting{m_listener, POLLIN, 0};
        if (poll(&waiting, 1, kAcceptPollMs) <= 0)
        {
            Reap(false);
            continue;
        }
        const int client = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        const int upstream = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const sockaddr_in address = LoopbackAddress(m_upstreamPort);
        if (upstream < 0 ||
            connect(upstream, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        {
            // The client sees its connection close, as with a server that went away.
            if (upstream >= 0)
                close(upstream);
            close(client);
            continue;
        }
        SetNoDelay(client);
        SetNoDelay(upstream);
        auto connection = std::make_unique<CConnection>();
        connection->client = client;
        connection->upstream = upstream;
        CConnection& started = *connection;
        {
            std::lock_guard lock(m_mutex);
            m_connections.push_back(std::move(connection));
        }
        started.toUpstream = std::thread([this, &started] { ForwardRequests(started); });
        started.toClient = std::thread([&started] { ForwardAnswers(started); });
    }
}

void CDelayProxy::ForwardRequests(CConnection& connection)
{
    std::string buffer(kBufferBytes, '\0');
    // How much of "\r\n\r\n" the bytes passed on so far end with.
    int matched = 0;
    for (;;)
    {
        const ssize_t got = ReadSome(connection.client, buffer.data(), buffer.size());
        if (got <= 0)
            break;
        const char* data = buffer.data();
        std::size_t pending = 0;
        bool open = true;
        for (std::size_t i = 0; i < static_cast<std::size_t>(got) && open; ++i)
        {
            const char c = data[i];
            const char expected = (matched % 2 == 0) ? '\r' : '\n';
            matched = c == expected ? matched + 1 : (c == '\r' ? 1 : 0);
            ++pending;
            if (matched < 4)
                continue;
            // A whole request head: hold it, then pass it on with what came before it.
            matched = 0;
            std::this_thread::sleep_for(m_delay);
            ++m_delayedRequests;
            open = WriteAll(connection.upstream, data + i + 1 - pending, pending);
            pending = 0;
        }
        // The start of a head whose end has not come yet goes at once: the server cannot
        // answer before the rest, which will be held.
        if (!open ||
            (pending > 0 && !WriteAll(connection.upstream,
                                      data + static_cast<std::size_t>(got) - pending, pending)))
            break;
    }
    shutdown(connection.upstream, SHUT_WR);
    ++connection.finished;
}

void CDelayProxy::ForwardAnswers(CConnection& connection)
{
    std::string buffer(kBufferBytes, '\0');
    for (;;)
    {
        const ssize_t got = ReadSome(connection.upstream, buffer.data(), buffer.size());
        if (got <= 0 || !WriteAll(connection.client, buffer.data(), static_cast<std::size_t>(got)))
            break;
    }
    shutdown(connection.client, SHUT_WR);
    // A client that stopped reading must not keep the other direction open.
    shutdown(connection.client, SHUT_RD);
    ++connection.finished;
}

void CDelayProxy::Reap(bool all)
{
    std::list<std::unique_ptr<CConnection>> ended;
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_connections.begin(); it != m_connections.end();)
        {
            if (all || (*it)->finished.load() == 2)
            {
                ended.push_back(std::move(*it));
                it = m_connections.erase(it);
            }
            else
                ++it;
        }
    }
    for (const auto& connection : ended)
    {
        connection->toUpstream.join();
        connection->toClient.join();
        close(connection->client);
        close(connection->upstream);
    }
}
