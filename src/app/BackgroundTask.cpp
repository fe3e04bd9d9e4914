#include "app/BackgroundTask.h"

#include "app/WaitCursor.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>
#include <thread>

namespace
{

// How often the progress window looks at the steps done.
constexpr int kProgressPollMs = 100;

} // namespace

bool RunInBackground(QWidget* owner, const QString& label, int total,
                     const std::function<void(CTaskControl& control)>& work)
{
    CTaskControl control;
    std::atomic<bool> done{false};
    QEventLoop loop;
    CWaitCursor busy(owner); // the progress window keeps its own cursor
    std::thread worker(
        [&]
        {
            work(control);
            done.store(true);
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });

    // A short wait serves everything but user input; a long one gets a window to cancel it.
    QTimer::singleShot(kProgressDelayMs, &loop, &QEventLoop::quit);
    bool quitting = loop.exec(QEventLoop::ExcludeUserInputEvents) != 0;
    if (!done.load() && !quitting)
    {
        QProgressDialog progress(label, QStringLiteral("&Cancel"), 0, total, owner);
        progress.setWindowTitle(QStringLiteral("Harvestor"));
        progress.setWindowModality(Qt::ApplicationModal);
        progress.setMinimumDuration(0);
        progress.setAutoClose(false);
        progress.setAutoReset(false);
        progress.setValue(0);
        QObject::connect(&progress, &QProgressDialog::canceled, &loop,
                         [&]
                         {
                             control.cancel.store(true);
                             progress.setLabelText(QStringLiteral("Cancelling..."));
                         });
        QTimer poll;
        poll.setInterval(kProgressPollMs);
        QObject::connect(&poll, &QTimer::timeout, &loop,
                         [&]
                         {
                             if (total > 0)
                                 progress.setValue(std::min(control.stepsDone.load(), total));
                             if (done.load())
                                 loop.quit();
                         });
        poll.start();
        progress.show();
        while (!done.load() && !quitting)
            quitting = loop.exec() != 0;
    }
    if (quitting)
    {
        // The program is ending: every event loop returns at once. Stop the work, and serve
        // what it may still ask of this thread (a prompt) until it has ended.
        control.cancel.store(true);
        while (!done.load())
            QCoreApplication::processEvents(QEventLoop::AllEvents, kProgressPollMs);
    }
    worker.join();
    return !control.cancel.load();
}
