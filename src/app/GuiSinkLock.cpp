#include "app/GuiSinkLock.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <chrono>
#include <thread>

CGuiSinkLock::CGuiSinkLock(CUrlSink& sink, QObject* window) : m_sink(sink)
{
    const auto deadline = std::chrono::steady_clock::now() + CUrlSink::kLockWait;
    for (;;)
    {
        m_owns = m_sink.TryLock();
        if (m_owns || std::chrono::steady_clock::now() >= deadline)
            return;
        // Only the blocking insertion calls for this window run here: no user input, no
        // other command can slip in.
        if (window != nullptr)
            QCoreApplication::sendPostedEvents(window, QEvent::MetaCall);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

CGuiSinkLock::~CGuiSinkLock()
{
    if (m_owns)
        m_sink.Unlock();
}
