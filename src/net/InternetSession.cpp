#include "net/InternetSession.h"

#include "net/ConnectionSockets.h"
#include "net/SiteLedger.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

namespace
{

// Redirects are followed as a browser would, but never into another scheme.
constexpr long kMaxRedirects = 10;
constexpr const char* kRedirectProtocols = "http,https";
// The schemes that a transfer may open at all. Others (gopher, dict, telnet, ...) would let a
// page's link send any bytes it likes to any port.
constexpr const char* kProtocols = "http,https,ftp";
// Easy handles a thread keeps for later transfers: enough for a browse's pages in flight and a
// transfer nested in one of them.
constexpr std::size_t kMaxIdleHandles = 18;

std::atomic<std::uint64_t> g_nextSessionId{1};

} // namespace

bool EnsureCurlGlobalInit()
{
    struct CGlobal
    {
        CURLcode result = curl_global_init(CURL_GLOBAL_ALL);
        ~CGlobal()
        {
            if (result == CURLE_OK)
                curl_global_cleanup();
        }
    };
    static CGlobal global;
    return global.result == CURLE_OK;
}

// What the session shares with every thread's handles. The handles keep it alive, so a thread
// that ends after the session never points into a freed share.
struct CSessionCore
{
    CCurlSharePtr share;
    std::shared_ptr<CSiteLedger> ledger;
    // One lock per kind of shared data, as libcurl asks.
    std::array<std::mutex, CURL_LOCK_DATA_LAST> locks;

    static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* user)
    {
        static_cast<CSessionCore*>(user)->locks[static_cast<std::size_t>(data)].lock();
    }
    static void Unlock(CURL*, curl_lock_data data, void* user)
    {
        static_cast<CSessionCore*>(user)->locks[static_cast<std::size_t>(data)].unlock();
    }
};

// A thread's multi handle: every transfer of the thread runs on it, so they share its pool of
// connections and one call drives them all.
struct CThreadMulti
{
    std::shared_ptr<CSessionCore> core;
    // Before the multi handle: closing it closes the sockets that are left.
    CConnectionSockets sockets;
    CCurlMultiPtr multi;
};

struct CCurlHandlePair
{
    std::shared_ptr<CSessionCore> core;  // destroyed last: the easy handle refers to its share
    std::shared_ptr<CThreadMulti> multi; // outlives the easy handle that may be added to it
    CCurlEasyPtr easy;

    ~CCurlHandlePair()
    {
        if (multi && easy)
            curl_multi_remove_handle(multi->multi.get(), easy.get());
    }
};

namespace
{

struct CThreadSlots
{
    std::uint64_t sessionId = 0;
    std::weak_ptr<int> alive;
    std::shared_ptr<CThreadMulti> multi;
    std::vector<std::unique_ptr<CCurlHandlePair>> idle;
};

// This thread's kept handles, per session. Freed when the thread ends.
thread_local std::vector<CThreadSlots> t_slots;

void PruneDeadSessions()
{
    std::erase_if(t_slots, [](const CThreadSlots& slots) { return slots.alive.expired(); });
}

CThreadSlots* FindSlots(std::uint64_t sessionId)
{
    for (CThreadSlots& slots : t_slots)
        if (slots.sessionId == sessionId && !slots.alive.expired())
            return &slots;
    return nullptr;
}

} // namespace

CCurlHandleLease::CCurlHandleLease() = default;

CCurlHandleLease::CCurlHandleLease(std::unique_ptr<CCurlHandlePair> pair, std::uint64_t sessionId)
    : m_pair(std::move(pair)), m_sessionId(sessionId)
{
}

CCurlHandleLease::~CCurlHandleLease()
{
    Release();
}

CCurlHandleLease::CCurlHandleLease(CCurlHandleLease&& other) noexcept
    : m_pair(std::move(other.m_pair)), m_sessionId(other.m_sessionId)
{
}

CCurlHandleLease& CCurlHandleLease::operator=(CCurlHandleLease&& other) noexcept
{
    if (this != &other)
    {
        Release();
        m_pair = std::move(other.m_pair);
        m_sessionId = other.m_sessionId;
    }
    return *this;
}

CURL* CCurlHandleLease::Easy() const
{
    return m_pair ? m_pair->easy.get() : nullptr;
}

CConnectionSockets& CCurlHandleLease::Sockets() const
{
    return m_pair->multi->sockets;
}

CURLM* CCurlHandleLease::Multi() const
{
    return m_pair ? m_pair->multi->multi.get() : nullptr;
}

void CCurlHandleLease::Release()
{
    if (!m_pair)
        return;
    CThreadSlots* slots = FindSlots(m_sessionId);
    if (slots != nullptr && slots->idle.size() < kMaxIdleHandles)
    {
        // A kept handle forgets its last request: none of that request's buffers and callbacks
        // outlive it there.
        curl_easy_reset(m_pair->easy.get());
        slots->idle.push_back(std::move(m_pair));
    }
    m_pair.reset();
}

CInternetSession::CInternetSession(std::string agent)
    : m_agent(std::move(agent)), m_ledger(std::make_shared<CSiteLedger>()),
      m_aliveToken(std::make_shared<int>(0)), m_id(g_nextSessionId.fetch_add(1))
{
    if (!EnsureCurlGlobalInit())
        return;
    auto core = std::make_shared<CSessionCore>();
    core->ledger = m_ledger;
    core->share.reset(curl_share_init());
    if (!core->share)
        return;
    CURLSH* share = core->share.get();
    if (curl_share_setopt(share, CURLSHOPT_LOCKFUNC, &CSessionCore::Lock) != CURLSHE_OK ||
        curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, &CSessionCore::Unlock) != CURLSHE_OK ||
        curl_share_setopt(share, CURLSHOPT_USERDATA, core.get()) != CURLSHE_OK ||
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS) != CURLSHE_OK)
        return;
    m_core = std::move(core);
}

CInternetSession::~CInternetSession()
{
    m_aliveToken.reset();
    // This thread's kept handles go now; other threads drop theirs at their next lease or exit.
    PruneDeadSessions();
}

void CInternetSession::WakeWaits()
{
    m_ledger->WakeAll();
    m_bandwidth.Wake();
}

CCurlHandleLease CInternetSession::AcquireHandles()
{
    if (!m_core)
        return {};
    PruneDeadSessions();
    CThreadSlots* slots = FindSlots(m_id);
    if (slots == nullptr)
    {
        auto multi = std::make_shared<CThreadMulti>();
        multi->core = m_core;
        multi->sockets.CountIn(m_core->ledger.get());
        multi->multi.reset(curl_multi_init());
        if (!multi->multi)
            return {};
        t_slots.push_back(CThreadSlots{m_id, m_aliveToken, std::move(multi), {}});
        slots = &t_slots.back();
    }

    std::unique_ptr<CCurlHandlePair> pair;
    if (!slots->idle.empty())
    {
        pair = std::move(slots->idle.back());
        slots->idle.pop_back();
    }
    else
    {
        pair = std::make_unique<CCurlHandlePair>();
        pair->core = m_core;
        pair->multi = slots->multi;
        pair->easy.reset(curl_easy_init());
        if (!pair->easy)
            return {};
    }

    CURL* easy = pair->easy.get();
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_SHARE, m_core->share.get());
    curl_easy_setopt(easy, CURLOPT_USERAGENT, m_agent.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, kProtocols);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
    CConnectionSockets::Attach(easy, pair->multi->sockets);
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, kRedirectProtocols);
    return CCurlHandleLease(std::move(pair), m_id);
}
