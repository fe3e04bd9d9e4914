#include "app/FrameMessageQueue.h"

#include <QMetaObject>

CFrameMessageQueue::CFrameMessageQueue(Handler handler, QObject* parent)
    : QObject(parent), m_handler(std::move(handler))
{
    m_batchTimer.setSingleShot(true);
    m_batchTimer.setInterval(kBatchMs);
    connect(&m_batchTimer, &QTimer::timeout, this, &CFrameMessageQueue::Drain);
}

void CFrameMessageQueue::SetRoutes(PageRoute pageRoute, FileRoute fileRoute)
{
    m_pageRoute = std::move(pageRoute);
    m_fileRoute = std::move(fileRoute);
}

void CFrameMessageQueue::OnEvent(CEngineEvent event)
{
    if (const auto* page = std::get_if<CPageAddedEvent>(&event); page != nullptr && m_pageRoute)
        m_pageRoute(*page);
    else if (const auto* file = std::get_if<CFileFoundEvent>(&event);
             file != nullptr && m_fileRoute)
        m_fileRoute(*file);
    else
        Deliver(std::move(event));
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
    // One message at a time: a handler may process events (the shut-down wait), and a nested
    // drain must go on with the next message, not behind a batch held here.
    bool handled = false;
    for (;;)
    {
        CFrameMessage message{CWindowMessage{}};
        {
            std::lock_guard lock(m_mutex);
            if (m_pending.empty())
            {
                // Quiet since the last drain: the next message wakes this thread again.
                if (!handled)
                    m_wakePosted = false;
                break;
            }
            message = std::move(m_pending.front());
            m_pending.pop_front();
        }
        m_handler(message);
        handled = true;
    }
    // More may follow: posters only queue them (the wake stays posted) until the timer drains.
    if (handled)
        m_batchTimer.start();
}
