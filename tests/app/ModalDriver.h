#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

// Acts on the next modal dialog of type T once it is up: a dialog's exec() does not return to
// the test, so the test hands over what to do before it starts the code that opens the dialog.
template <class T> class CWhenModal
{
public:
    explicit CWhenModal(std::function<void(T&)> action) : m_action(std::move(action))
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout,
                         [this]
                         {
                             auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
                             if (dialog == nullptr || !dialog->isVisible())
                                 return;
                             m_timer.stop();
                             m_fired = true;
                             m_action(*dialog);
                         });
        m_timer.start();
    }

    bool Fired() const { return m_fired; }

private:
    std::function<void(T&)> m_action;
    QTimer m_timer;
    bool m_fired = false;
};
