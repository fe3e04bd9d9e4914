#include "net/ConnectionSockets.h"

#include "net/SiteLedger.h"

#include <algorithm>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

int LocalPortOf(curl_socket_t socket)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return 0;
}

} // namespace

curl_socket_t CConnectionSockets::SocketOfLocalPort(int localPort)
{
    if (localPort <= 0)
        return CURL_SOCKET_BAD;
    for (CEntry& entry : m_entries)
    {
        if (entry.localPort == 0)
            entry.localPort = LocalPortOf(entry.socket);
        if (entry.localPort == localPort)
            return entry.socket;
    }
    return CURL_SOCKET_BAD;
}

void CConnectionSockets::Attach(CURL* easy, CConnectionSockets& sockets)
{
    curl_easy_setopt(easy, CURLOPT_SOCKOPTFUNCTION, &CConnectionSockets::OnOpened);
    curl_easy_setopt(easy, CURLOPT_SOCKOPTDATA, &sockets);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, &CConnectionSockets::OnClose);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, &sockets);
}

void CConnectionSockets::HoldSends(bool hold)
{
    const int on = hold ? 1 : 0;
    for (CEntry& entry : m_entries)
    {
        if (entry.held != hold &&
            setsockopt(entry.socket, IPPROTO_TCP, TCP_CORK, &on, sizeof on) == 0)
            entry.held = hold;
    }
}

void CConnectionSockets::Forget(curl_socket_t socket)
{
    std::erase_if(m_entries, [socket](const CEntry& entry) { return entry.socket == socket; });
}

int CConnectionSockets::OnOpened(void* user, curl_socket_t socket, curlsocktype)
{
    auto& sockets = *static_cast<CConnectionSockets*>(user);
    // A number the kernel hands out again names a new socket.
    sockets.Forget(socket);
    sockets.m_entries.push_back(CEntry{socket, 0, false});
    return CURL_SOCKOPT_OK;
}

int CConnectionSockets::OnClose(void* user, curl_socket_t socket)
{
    auto& sockets = *static_cast<CConnectionSockets*>(user);
    sockets.Forget(socket);
    if (sockets.m_ledger != nullptr)
        sockets.m_ledger->SocketClosed(socket);
    return close(socket);
}

void AcknowledgeNow(curl_socket_t socket)
{
    if (socket == CURL_SOCKET_BAD)
        return;
    const int on = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
}
