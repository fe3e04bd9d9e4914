#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <limits>
#include <list>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <type_traits>

// The engine's threads: browse threads and download workers. Each runs on a std::jthread that
// this object owns and joins; a finished thread is joined by the next start, so a long run keeps
// none. Besides the threads it counts the work of each kind, under the same lock: a thread's
// work begins when it is started and ends when its body says so (EndWork) or returns, and
// whether all work is done is decided there, so that exactly the end that leaves nothing
// running sees it. Any thread may call any member; Close and Join from the owner's thread.
class CWorkerThreads
{
public:
    enum class EKind
    {
        Browse,
        Download,
    };
    static constexpr std::uint32_t kUnlimited = std::numeric_limits<std::uint32_t>::max();

    // idleRest: what besides the counted work must hold for all work to be done (the download
    // queue is empty). Called under the lock.
    explicit CWorkerThreads(std::function<bool()> idleRest = {});
    // Stops and joins every thread.
    ~CWorkerThreads();

    CWorkerThreads(const CWorkerThreads&) = delete;
    CWorkerThreads& operator=(const CWorkerThreads&) = delete;

    // Runs body on a new thread counted as work of kind, unless maximum of that kind work
    // already, closing has begun or no thread can be had: false then, and body never runs.
    // body may own what only it uses (it may be move-only); it is destroyed before its thread
    // counts as ended.
    template <class Body> bool Start(EKind kind, Body&& body, std::uint32_t maximum = kUnlimited)
    {
        auto owned = std::make_shared<std::decay_t<Body>>(std::forward<Body>(body));
        return StartBody(
            kind, [owned](std::stop_token stop) { (*owned)(std::move(stop)); }, maximum);
    }

    struct CEnd
    {
        // False when stay() held: the work goes on.
        bool ended = true;
        // Work of the same kind still counted.
        std::uint32_t left = 0;
        // No work of any kind counted and idleRest holds: the end that finished all work.
        bool allDone = false;
    };
    // From a body started here: ends the calling thread's work unless stay() (called under the
    // lock, with the work still counted) says it goes on. A second call only reports.
    CEnd EndWork(const std::function<bool()>& stay = {});

    // Work of kind counted now (a statistic).
    std::uint32_t Working(EKind kind) const;
    // No work counted and idleRest holds.
    bool AllWorkDone() const;
    // A thread has not yet returned from its body.
    bool AnyThreadRunning() const;

    // Waits until no thread of kind (or of any kind) is in its body; false when the budget ran
    // out first.
    bool WaitForThreads(EKind kind, std::chrono::milliseconds budget);
    bool WaitForThreads(std::chrono::milliseconds budget);

    // No thread starts any more; every running one is asked to stop through its token.
    void Close();
    bool Closing() const;
    // Joins every thread, waiting for the ones still in their bodies.
    void JoinAll();

private:
    struct CEntry
    {
        EKind kind;
        bool working = true;
        bool finished = false;
        std::jthread thread;
    };
    static constexpr std::size_t kKinds = 2;

    using CBody = std::function<void(std::stop_token)>;
    bool StartBody(EKind kind, CBody body, std::uint32_t maximum);
    CEnd EndLocked(CEntry& entry);
    void RunBody(CEntry& entry, CBody& body, std::stop_token stop);
    std::list<CEntry> TakeFinishedLocked();
    bool AllDoneLocked() const;

    std::function<bool()> m_idleRest;
    mutable std::mutex m_mutex;
    std::condition_variable m_threadEnded;
    std::list<CEntry> m_threads;
    std::array<std::atomic<std::uint32_t>, kKinds> m_working{};
    std::array<std::uint32_t, kKinds> m_inBody{};
    bool m_closing = false;
};
