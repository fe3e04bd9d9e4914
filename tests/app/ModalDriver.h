#pragma once

#include "AppTestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
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

// Acts on the first widget of type T when it is being shown, before it handles its own show
// event: for dialogs that may come and go between two looks of CWhenModal.
template <class T> class CWhenShown : public QObject
{
public:
    explicit CWhenShown(std::function<void(T&)> action) : m_action(std::move(action))
    {
        qApp->installEventFilter(this);
    }
    ~CWhenShown() override { qApp->removeEventFilter(this); }

    bool Fired() const { return m_fired; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_fired && event->type() == QEvent::Show)
        {
            if (auto* widget = qobject_cast<T*>(watched))
            {
                m_fired = true;
                m_action(*widget);
            }
        }
        return false;
    }

private:
    std::function<void(T&)> m_action;
    bool m_fired = false;
};

// A main window over the shared state, with prompts that record their messages (as
// "caption: text") and shell opens instead of showing them.
struct CRecordingFixture : CFrameFixture
{
    CGuiPrompts recording{false};
    QStringList messages;
    std::vector<std::string> opened;

    CRecordingFixture()
    {
        engine.SetPrompts(&recording);
        recording.SetDialogRunner(
            [this](QDialog& dialog)
            {
                if (auto* box = qobject_cast<QMessageBox*>(&dialog))
                    messages << box->windowTitle() + ": " + box->text();
                return int(QMessageBox::Ok);
            });
        recording.SetShellOpener(
            [this](const std::string& url)
            {
                opened.push_back(url);
                return true;
            });
    }
    ~CRecordingFixture() { engine.SetPrompts(&prompts); }
};
