#include "core/WorkerThreads.h"

#include <algorithm>
#include <system_error>

namespace
{

// The owner and entry of the thread that runs a body, so that EndWork knows whose work ends.
thread_local const void* t_owner = nullptr;
thread_local void* t_entry = nullptr;

std::size_t Index(CWorkerThreads::EKind kind)
{
    return kind == CWorkerThreads::EKind::Browse ? 0 : 1;
}

} // namespace

CWorkerThreads::CWorkerThreads(std::function<bool()> idleRest) : m_idleRest(std::move(idleRest)) {}

CWorkerThreads::~CWorkerThreads()
{
    Close();
    JoinAll();
}

bool CWorkerThreads::StartBody(EKind kind, CBody body, std::uint32_t maximum)
{
    // Destroyed after the lock is released: joining them waits for nothing but their last step.
    std::list<CEntry> finished;
    std::lock_guard lock(m_mutex);
    finished = TakeFinishedLocked();
    const std::size_t index = Index(kind);
    if (m_closing || m_working[index].load() >= maximum)
        return false;
    CEntry& entry = m_threads.emplace_back();
    entry.kind = kind;
    try
    {
        // The thread reports its end under the lock held here, so it cannot end before it is
        // counted.
        entry.thread =
            std::jthread([this, &entry, body = std::move(body)](std::stop_token stop) mutable
                         { RunBody(entry, body, std::move(stop)); });
    }
    catch (const std::system_error&)
    {
        m_threads.pop_back();
        return false;
    }
    m_working[index].fetch_add(1);
    ++m_inBody[index];
    return true;
}

void CWorkerThreads::RunBody(CEntry& entry, CBody& body, std::stop_token stop)
{
    t_owner = this;
    t_entry = &entry;
    {
        // What the body owns goes before the thread counts as ended.
        const CBody run = std::move(body);
        run(std::move(stop));
    }
    std::lock_guard lock(m_mutex);
    if (entry.working)
        EndLocked(entry);
    entry.finished = true;
    --m_inBody[Index(entry.kind)];
    // Under the lock: a waiter may destroy this object as soon as it sees the count.
    m_threadEnded.notify_all();
}

CWorkerThreads::CEnd CWorkerThreads::EndWork(const std::function<bool()>& stay)
{
    if (t_owner != this || t_entry == nullptr)
        return {};
    CEntry& entry = *static_cast<CEntry*>(t_entry);
    std::lock_guard lock(m_mutex);
    if (entry.working && stay && stay())
        return CEnd{false, m_working[Index(entry.kind)].load(), false};
    return EndLocked(entry);
}

CWorkerThreads::CEnd CWorkerThreads::EndLocked(CEntry& entry)
{
    std::atomic<std::uint32_t>& working = m_working[Index(entry.kind)];
    if (!entry.working)
        return CEnd{true, working.load(), false};
    entry.working = false;
    working.fetch_sub(1);
    return CEnd{true, working.load(), AllDoneLocked()};
}

bool CWorkerThreads::AllDoneLocked() const
{
    return std::all_of(m_working.begin(), m_working.end(),
                       [](const std::atomic<std::uint32_t>& count) { return count.load() == 0; }) &&
           (!m_idleRest || m_idleRest());
}

std::uint32_t CWorkerThreads::Working(EKind kind) const
{
    return m_working[Index(kind)].load();
}

bool CWorkerThreads::AllWorkDone() const
{
    std::lock_guard lock(m_mutex);
    return AllDoneLocked();
}

bool CWorkerThreads::AnyThreadRunning() const
{
    std::lock_guard lock(m_mutex);
    return std::any_of(m_inBody.begin(), m_inBody.end(), [](std::uint32_t n) { return n != 0; });
}

bool CWorkerThreads::WaitForThreads(EKind kind, std::chrono::milliseconds budget)
{
    std::unique_lock lock(m_mutex);
    return m_threadEnded.wait_for(lock, budget,
                                  [this, kind] { return m_inBody[Index(kind)] == 0; });
}

bool CWorkerThreads::WaitForThreads(std::chrono::milliseconds budget)
{
    std::unique_lock lock(m_mutex);
    return m_threadEnded.wait_for(lock, budget,
                                  [this] {
                                      return std::all_of(m_inBody.begin(), m_inBody.end(),
                                                         [](std::uint32_t n) { return n == 0; });
                                  });
}

void CWorkerThreads::Close()
{
    std::lock_guard lock(m_mutex);
    m_closing = true;
    for (CEntry& entry : m_threads)
        entry.thread.request_stop();
}

bool CWorkerThreads::Closing() const
{
    std::lock_guard lock(m_mutex);
    return m_closing;
}

void CWorkerThreads::JoinAll()
{
    std::list<CEntry> all;
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
        all.splice(all.end(), m_threads);
    }
    // Each entry's thread is joined before the rest of the entry goes (it is its last member).
    all.clear();
}

std::list<CWorkerThreads::CEntry> CWorkerThreads::TakeFinishedLocked()
{
    std::list<CEntry> finished;
    for (auto it = m_threads.begin(); it != m_threads.end();)
    {
        const auto next = std::next(it);
        if (it->finished)
            finished.splice(finished.end(), m_threads, it);
        it = next;
    }
    return finished;
}
