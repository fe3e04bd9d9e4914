#pragma once

#include "platform/FrameMessages.h"

#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>
#include <mutex>

// The main frame's end of PostToMainFrame: any thread queues a message, and the first message
// of a batch wakes the user-interface thread once with a queued call, which then handles every
// message that is waiting, in the order they were posted. While messages keep coming (a
// transfer posts one per block), the queue is drained on a short timer instead, so that the
// user-interface thread is not woken for every message.
class CFrameMessageQueue : public QObject, public CFrameMessageSink
{
    Q_OBJECT

public:
    using Handler = std::function<void(CFrameMessage&)>;

    // handler runs on this object's thread, once per message.
    explicit CFrameMessageQueue(Handler handler, QObject* parent = nullptr);

    // Any thread; never blocks beyond the queue's own short lock.
    void Deliver(CFrameMessage message) override;

    // Handles every waiting message now (the user-interface thread; tests).
    void Drain();

    // How long messages that follow a drained batch wait for the next drain.
    static constexpr int kBatchMs = 10;

private:
    Handler m_handler;
    QTimer m_batchTimer;
    std::mutex m_mutex;
    std::deque<CFrameMessage> m_pending;
    bool m_wakePosted = false;
};
