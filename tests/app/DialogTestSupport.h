#pragma once

#include "platform/FrameMessages.h"
#include "platform/UserPrompts.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Answers the next modal dialog of type Dialog once it runs: the caller arms it, then starts
// the command that opens the dialog. A dialog of another type is rejected and counted, so a
// wrong dialog fails the test instead of hanging it. Gives up after budgetMs.
template <class Dialog>
std::shared_ptr<int> AnswerNextDialog(std::function<void(Dialog&)> answer, int budgetMs = 20000)
{
    auto wrongDialogs = std::make_shared<int>(0);
    auto* timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout,
                     [timer, answer, wrongDialogs, clock, budgetMs]
                     {
                         auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                         if (dialog == nullptr || !dialog->isVisible())
                         {
                             if (clock->elapsed() > budgetMs)
                                 timer->deleteLater();
                             return;
                         }
                         timer->stop();
                         timer->deleteLater();
                         if (auto* wanted = qobject_cast<Dialog*>(dialog))
                             answer(*wanted);
                         else
                         {
                             ++*wrongDialogs;
                             dialog->reject();
                         }
                     });
    timer->start();
    return wrongDialogs;
}

// Prompts that remember what they were asked; "open" answers openSucceeds.
class CRecordingPrompts : public CUserPrompts
{
public:
    struct CMessage
    {
        std::string caption;
        std::string text;
    };

    void ShowMessage(const std::string& caption, const std::string& text) override
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back({caption, text});
    }
    bool AskLogin(const std::string&, std::string&, std::string&) override { return false; }
    bool OpenWithShell(const std::string& urlOrFile) override
    {
        std::lock_guard lock(m_mutex);
        m_opened.push_back(urlOrFile);
        return m_openSucceeds;
    }

    std::vector<CMessage> Messages() const
    {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }
    std::vector<std::string> Opened() const
    {
        std::lock_guard lock(m_mutex);
        return m_opened;
    }
    void SetOpenSucceeds(bool succeeds) { m_openSucceeds = succeeds; }

private:
    mutable std::mutex m_mutex;
    std::vector<CMessage> m_messages;
    std::vector<std::string> m_opened;
    bool m_openSucceeds = true;
};

// Keeps every message posted to the main frame instead of delivering it.
class CRecordingSink : public CFrameMessageSink
{
public:
    void Deliver(CFrameMessage message) override
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(std::move(message));
    }
    std::vector<CFrameMessage> Messages() const
    {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }
    void Clear()
    {
        std::lock_guard lock(m_mutex);
        m_messages.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::vector<CFrameMessage> m_messages;
};
