#include "app/FrameMessageQueue.h"

#include <QMetaObject>

CFrameMessageQueue::CFrameMessageQueue(Handler handler, QObject* parent)
    : QObject(parent), m_handler(std::move(handler))
{
}

void CFrameMessageQueue::Deliver(CFrameMessage message)
{
    bool wake = false;
    {
        std::lock_guard lock(m_mutex);
        m_pending.push_back(std::move(message));
        wake = !m_wakePosted;
        m_wakePosted = true;
    }
    if (wake)
        QMetaObject::invokeMethod(this, &CFrameMessageQueue::Drain, Qt::QueuedConnection);
}

void CFrameMessageQueue::Drain()
{
    {
        std::lock_guard lock(m_mutex);
        m_wakePosted = false;
    }
    // One message at a time: a handler may process events (the shut-down wait), and a nested
    // drain must go on with the next message, not behind a batch held here.
    for (;;)
    {
        CFrameMessage message;
        {
            std::lock_guard lock(m_mutex);
            if (m_pending.empty())
                return;
            message = std::move(m_pending.front());
            m_pending.pop_front();
        }
        m_handler(message);
    }
}
