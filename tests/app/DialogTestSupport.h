#pragma once

#include "platform/UserPrompts.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QFileDialog>
#include <QTimer>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// Answers the next modal dialog once it runs: arm it, then start the command that opens the
// dialog. A dialog of another type is rejected, so a wrong dialog fails the test, not hangs it.
template <class Dialog> void AnswerNextDialog(std::function<void(Dialog&)> answer)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout,
                     [timer, answer, deadline = QDeadlineTimer(20000)]
                     {
                         auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                         if ((dialog == nullptr || !dialog->isVisible()) && !deadline.hasExpired())
                             return;
                         timer->deleteLater();
                         timer->stop();
                         if (auto* wanted = qobject_cast<Dialog*>(dialog))
                             answer(*wanted);
                         else if (dialog != nullptr)
                             dialog->reject();
                     });
    timer->start();
}

// Answers the next file dialog with path, as if typed and confirmed; offered gets the path the
// dialog proposed (its folder and file name) when given.
inline void AnswerNextSaveDialog(const std::string& path, QString* offered = nullptr)
{
    AnswerNextDialog<QFileDialog>(
        [path, offered](QFileDialog& dialog)
        {
            if (offered != nullptr && !dialog.selectedFiles().isEmpty())
                *offered = dialog.selectedFiles().front();
            dialog.selectFile(QString::fromStdString(path));
            static_cast<QDialog&>(dialog).done(QDialog::Accepted);
        });
}

// Prompts that remember what they were asked; "open" answers as set.
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
