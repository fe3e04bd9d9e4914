#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <curl/curl.h>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class CSiteLedger;

// The limits a request to one site goes by; 0 means no limit.
struct CSiteLimits
{
    int requestsPerSecond = 0;
    int connections = 0;

    bool Any() const { return requestsPerSecond > 0 || connections > 0; }
};

// A request's admission to its site: while held it counts as one request in flight there.
// Released when the request's answer is in (its connection is then free) or when it goes.
// Belongs to the thread that runs the request.
class CSitePass
{
public:
    CSitePass() = default;
    ~CSitePass() { Release(); }
    CSitePass(CSitePass&& other) noexcept;
    CSitePass& operator=(CSitePass&& other) noexcept;
    CSitePass(const CSitePass&) = delete;
    CSitePass& operator=(const CSitePass&) = delete;

    explicit operator bool() const { return m_ledger != nullptr; }
    // The request runs on socket now (a new connection or a kept one).
    void UseSocket(curl_socket_t socket);
    void Release();

private:
    friend class CSiteLedger;
    CSiteLedger* m_ledger = nullptr;
    void* m_site = nullptr;
    curl_socket_t m_socket = CURL_SOCKET_BAD;
};

// The process-wide account of every site that requests go to: when each may send its next
// request, how many requests are in flight there and which sockets are open to it. Requests of
// every thread (browse threads and download workers alike) are admitted here, so the per-site
// limits hold across all of them. A site is a host and port, as in the connection cache.
//
// A request that has to wait is not blocked here: its thread drives its own transfers meanwhile
// (they hold passes that only end as they are driven), times its wait to the site's next request
// slot, and is woken through its multi handle when a pass is released or a cancel is set. Any
// thread; one lock.
class CSiteLedger
{
public:
    using Clock = std::chrono::steady_clock;

    // A pass when the site's limits admit a request now. Otherwise nothing, and wakeAt says
    // when a request slot comes due (unset when only a release can admit one).
    std::optional<CSitePass> TryEnter(const std::string& site, const CSiteLimits& limits,
                                      std::optional<Clock::time_point>* wakeAt = nullptr);

    // While registered, multi is woken whenever a pass of the site is released or WakeAll is
    // called.
    void AddWaiter(const std::string& site, CURLM* multi);
    void RemoveWaiter(const std::string& site, CURLM* multi);
    // Wakes every registered waiter: a cancel flag was set.
    void WakeAll();

    // Opens a socket for a request that holds pass and counts it for the pass's site. Idle
    // connections of the site beyond its connection limit are ended first, and the new one waits
    // (briefly) for the server to close them. Set as the open-socket function of such requests;
    // clientp is the pass.
    static curl_socket_t OpenSocket(void* clientp, curlsocktype purpose, curl_sockaddr* address);
    // A socket goes; called for every socket the transfers close.
    void SocketClosed(curl_socket_t socket);

    // How many sockets to the site are counted as open, idle ones that were shut excluded.
    int OpenConnections(const std::string& site);

private:
    friend class CSitePass;
    struct CSite
    {
        // The connection limit the site's last request went by.
        int connections = 0;
        int inFlight = 0;
        // Open sockets, not counting idle ones that were shut.
        int sockets = 0;
        // The earliest time the next request may leave.
        Clock::time_point nextSlot{};
        std::vector<CURLM*> waiters;
    };
    struct CSocket
    {
        CSite* site = nullptr;
        int users = 0;
        bool shut = false;
    };

    void Release(CSitePass& pass);
    void UseSocket(CSitePass& pass, curl_socket_t socket);
    // Drops the pass's use of its socket; the lock is held.
    void Unuse(CSitePass& pass);
    // Shuts idle sockets of the site until at most limit are open; returns those it shut.
    std::vector<curl_socket_t> TrimIdle(CSite& site, int limit);
    static void Wake(const std::vector<CURLM*>& waiters);

    std::mutex m_mutex;
    // Entries stay for the ledger's life: passes and sockets point at them.
    std::unordered_map<std::string, CSite> m_sites;
    std::unordered_map<curl_socket_t, CSocket> m_sockets;
    // How many sockets are counted: closing one that is not needs no lock.
    std::atomic<std::size_t> m_counted{0};
};
