#pragma once

#include "platform/EngineEvents.h"

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <variant>

// The window's own messages, queued behind the engine's events.
inline constexpr std::uint32_t WM_STATS_CLOSED = 1129; // the statistics window went away

struct CWindowMessage
{
    std::uint32_t message = 0;
};

// What the main frame handles in posting order: an engine event or one of its own messages.
using CFrameMessage = std::variant<CEngineEvent, CWindowMessage>;

// The main frame's end of the engine's events: any thread queues one, and the first of a batch
// wakes the user-interface thread once with a queued call, which then handles every message
// that is waiting, in the order they were posted. While events keep coming (a transfer posts
// one per block), the queue is drained on a short timer instead, so that the user-interface
// thread is not woken for every event.
class CFrameMessageQueue : public QObject, public CEngineObserver
{
    Q_OBJECT

public:
    using Handler = std::function<void(CFrameMessage&)>;
    using PageRoute = std::function<void(const CPageAddedEvent&)>;
    using FileRoute = std::function<void(const CFileFoundEvent&)>;

    // handler runs on this object's thread, once per message.
    explicit CFrameMessageQueue(Handler handler, QObject* parent = nullptr);

    // Pages and files go to these on the thread that reports them (the engine lists them under
    // its own lock, so the routes see them in listing order) instead of through the queue. Set
    // before the queue is installed as the engine's observer.
    void SetRoutes(PageRoute pageRoute, FileRoute fileRoute);

    // Any thread; never blocks beyond the queue's own short lock (or the routes').
    void OnEvent(CEngineEvent event) override;
    void Deliver(CFrameMessage message);

    // Handles every waiting message now (the user-interface thread; tests).
    void Drain();

    // How long messages that follow a drained batch wait for the next drain.
    static constexpr int kBatchMs = 10;

private:
    Handler m_handler;
    PageRoute m_pageRoute;
    FileRoute m_fileRoute;
    QTimer m_batchTimer;
    std::mutex m_mutex;
    std::deque<CFrameMessage> m_pending;
    bool m_wakePosted = false;
};
