#pragma once

#include "net/BandwidthBucket.h"
#include "net/CurlHandles.h"

#include <cstdint>
#include <memory>
#include <string>

class CConnectionSockets;
class CSiteLedger;
struct CCurlHandlePair;
struct CSessionCore;

// An easy handle of this thread and the thread's multi handle, lent to one transfer. Every
// transfer of a thread runs on the thread's one multi handle, so they share its pool of
// connections and run at the same time when several are open. Giving the easy handle back keeps
// it for the thread's next transfer. Never handed to another thread.
class CCurlHandleLease
{
public:
    CCurlHandleLease();
    CCurlHandleLease(std::unique_ptr<CCurlHandlePair> pair, std::uint64_t sessionId);
    ~CCurlHandleLease();
    CCurlHandleLease(CCurlHandleLease&& other) noexcept;
    CCurlHandleLease& operator=(CCurlHandleLease&& other) noexcept;
    CCurlHandleLease(const CCurlHandleLease&) = delete;
    CCurlHandleLease& operator=(const CCurlHandleLease&) = delete;

    explicit operator bool() const { return m_pair != nullptr; }
    CURL* Easy() const;
    CURLM* Multi() const;
    // The sockets of the multi handle's connections.
    CConnectionSockets& Sockets() const;
    // Gives the handles back to the thread now.
    void Release();

private:
    std::unique_ptr<CCurlHandlePair> m_pair;
    std::uint64_t m_sessionId = 0;
};

// The one Internet session of the process: the agent string, libcurl's global set-up and the DNS
// cache that every thread shares. libcurl cannot share a connection pool between threads, so
// each thread keeps its own long-lived handles (see CCurlHandleLease); they go when the thread
// ends or, for the thread that destroys the session, with the session.
// Construct it before any other thread uses libcurl. Any thread may lease handles.
class CInternetSession
{
public:
    explicit CInternetSession(std::string agent);
    ~CInternetSession();
    CInternetSession(const CInternetSession&) = delete;
    CInternetSession& operator=(const CInternetSession&) = delete;

    // False when libcurl's global set-up or the shared cache could not be made; no transfer
    // can run then.
    bool IsOpen() const { return m_core != nullptr; }
    const std::string& Agent() const { return m_agent; }

    // A reset easy handle with the session's options already set (agent, shared DNS cache, no
    // signals, redirects). Empty when the handles cannot be made.
    CCurlHandleLease AcquireHandles();

    // The per-site limits of every request of the process, and the download bandwidth budget.
    CSiteLedger& SiteLedger() const { return *m_ledger; }
    CBandwidthBucket& Bandwidth() { return m_bandwidth; }
    // Call after setting a cancel flag: requests waiting for their site or for bandwidth look
    // at their flags at once.
    void WakeWaits();

private:
    std::string m_agent;
    // Shared with the threads' handles: their sockets may close after the session is gone.
    std::shared_ptr<CSiteLedger> m_ledger;
    CBandwidthBucket m_bandwidth;
    std::shared_ptr<CSessionCore> m_core;
    // Threads keep a weak reference: once the session is gone their kept handles are dropped.
    std::shared_ptr<int> m_aliveToken;
    std::uint64_t m_id;
};
