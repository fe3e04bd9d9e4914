#include "net/SiteLedger.h"

#include <algorithm>
#include <poll.h>
#include <sys/socket.h>
#include <utility>

namespace
{

// How long a new connection waits at most for the server to close an idle one that was given
// up for it, so that the server never sees both open at once.
constexpr auto kCloseWait = std::chrono::milliseconds(200);

void AwaitPeerClose(const std::vector<curl_socket_t>& sockets)
{
    const auto until = std::chrono::steady_clock::now() + kCloseWait;
    for (const curl_socket_t socket : sockets)
    {
        pollfd entry{socket, POLLIN | POLLRDHUP, 0};
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0 || poll(&entry, 1, static_cast<int>(left.count())) <= 0)
            return;
    }
}

} // namespace

CSitePass::CSitePass(CSitePass&& other) noexcept
    : m_ledger(std::exchange(other.m_ledger, nullptr)), m_site(other.m_site),
      m_socket(std::exchange(other.m_socket, CURL_SOCKET_BAD))
{
}

CSitePass& CSitePass::operator=(CSitePass&& other) noexcept
{
    if (this != &other)
    {
        Release();
        m_ledger = std::exchange(other.m_ledger, nullptr);
        m_site = other.m_site;
        m_socket = std::exchange(other.m_socket, CURL_SOCKET_BAD);
    }
    return *this;
}

void CSitePass::UseSocket(curl_socket_t socket)
{
    if (m_ledger != nullptr && socket != CURL_SOCKET_BAD && socket != m_socket)
        m_ledger->UseSocket(*this, socket);
}

void CSitePass::Release()
{
    if (m_ledger != nullptr)
        m_ledger->Release(*this);
    m_ledger = nullptr;
}

std::optional<CSitePass> CSiteLedger::TryEnter(const std::string& siteName,
                                               const CSiteLimits& limits,
                                               std::optional<Clock::time_point>* wakeAt)
{
    std::lock_guard lock(m_mutex);
    CSite& site = m_sites[siteName];
    site.connections = limits.connections;
    if (wakeAt != nullptr)
        wakeAt->reset();
    if (limits.connections > 0 && site.inFlight >= limits.connections)
        return std::nullopt;
    const Clock::time_point now = Clock::now();
    if (limits.requestsPerSecond > 0)
    {
        if (now < site.nextSlot)
        {
            if (wakeAt != nullptr)
                *wakeAt = site.nextSlot;
            return std::nullopt;
        }
        // The next request leaves one interval after this one, never sooner: a request that was
        // admitted late does not make the next one early.
        const auto interval = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(1.0 / limits.requestsPerSecond));
        site.nextSlot = now + interval;
    }
    ++site.inFlight;
    CSitePass pass;
    pass.m_ledger = this;
    pass.m_site = &site;
    return pass;
}

void CSiteLedger::AddWaiter(const std::string& siteName, CURLM* multi)
{
    std::lock_guard lock(m_mutex);
    m_sites[siteName].waiters.push_back(multi);
}

void CSiteLedger::RemoveWaiter(const std::string& siteName, CURLM* multi)
{
    std::lock_guard lock(m_mutex);
    std::vector<CURLM*>& waiters = m_sites[siteName].waiters;
    if (const auto found = std::find(waiters.begin(), waiters.end(), multi); found != waiters.end())
        waiters.erase(found);
}

void CSiteLedger::WakeAll()
{
    std::lock_guard lock(m_mutex);
    for (const auto& [name, site] : m_sites)
        Wake(site.waiters);
}

void CSiteLedger::Wake(const std::vector<CURLM*>& waiters)
{
    for (CURLM* multi : waiters)
        curl_multi_wakeup(multi);
}

void CSiteLedger::Release(CSitePass& pass)
{
    std::lock_guard lock(m_mutex);
    auto& site = *static_cast<CSite*>(pass.m_site);
    --site.inFlight;
    Unuse(pass);
    // The connection the request used is idle now; a site over its limit (the limit was
    // lowered, or another thread opened one meanwhile) gives it up.
    if (site.connections > 0)
        TrimIdle(site, site.connections);
    Wake(site.waiters);
}

void CSiteLedger::UseSocket(CSitePass& pass, curl_socket_t socket)
{
    std::lock_guard lock(m_mutex);
    Unuse(pass);
    auto& site = *static_cast<CSite*>(pass.m_site);
    auto [entry, added] = m_sockets.try_emplace(socket, CSocket{&site, 0, false});
    // A connection opened while no limit was set is counted from its first limited request on.
    if (added)
    {
        ++site.sockets;
        m_counted.fetch_add(1, std::memory_order_relaxed);
    }
    ++entry->second.users;
    pass.m_socket = socket;
}

void CSiteLedger::Unuse(CSitePass& pass)
{
    if (pass.m_socket == CURL_SOCKET_BAD)
        return;
    if (const auto found = m_sockets.find(pass.m_socket); found != m_sockets.end())
        found->second.users = std::max(found->second.users - 1, 0);
    pass.m_socket = CURL_SOCKET_BAD;
}

std::vector<curl_socket_t> CSiteLedger::TrimIdle(CSite& site, int limit)
{
    std::vector<curl_socket_t> shut;
    for (auto entry = m_sockets.begin(); site.sockets > limit && entry != m_sockets.end(); ++entry)
    {
        CSocket& socket = entry->second;
        if (socket.site != &site || socket.users > 0 || socket.shut)
            continue;
        // The connection may belong to another thread's multi handle, which alone may close it.
        // Ending our side asks the server to close it; its owner then finds it dead and closes
        // it.
        shutdown(entry->first, SHUT_WR);
        socket.shut = true;
        --site.sockets;
        shut.push_back(entry->first);
    }
    return shut;
}

curl_socket_t CSiteLedger::OpenSocket(void* clientp, curlsocktype, curl_sockaddr* address)
{
    const curl_socket_t opened = socket(address->family, address->socktype, address->protocol);
    auto& pass = *static_cast<CSitePass*>(clientp);
    if (opened == CURL_SOCKET_BAD || pass.m_ledger == nullptr)
        return opened;
    CSiteLedger& ledger = *pass.m_ledger;
    std::vector<curl_socket_t> shut;
    {
        std::lock_guard lock(ledger.m_mutex);
        ledger.Unuse(pass);
        auto& site = *static_cast<CSite*>(pass.m_site);
        ledger.m_sockets[opened] = CSocket{&site, 1, false};
        ++site.sockets;
        ledger.m_counted.fetch_add(1, std::memory_order_relaxed);
        pass.m_socket = opened;
        if (site.connections > 0)
            shut = ledger.TrimIdle(site, site.connections);
    }
    // The new connection is made once the server has let go of the one given up for it.
    AwaitPeerClose(shut);
    return opened;
}

void CSiteLedger::SocketClosed(curl_socket_t socket)
{
    if (m_counted.load(std::memory_order_relaxed) == 0)
        return;
    std::lock_guard lock(m_mutex);
    const auto found = m_sockets.find(socket);
    if (found == m_sockets.end())
        return;
    if (!found->second.shut)
        --found->second.site->sockets;
    m_sockets.erase(found);
    m_counted.fetch_sub(1, std::memory_order_relaxed);
}

int CSiteLedger::OpenConnections(const std::string& siteName)
{
    std::lock_guard lock(m_mutex);
    return m_sites[siteName].sockets;
}
