#pragma once

#include "platform/UserPrompts.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>

// What the engine asks of the user, answered with dialogs on the user-interface thread, or,
// headless, without any window: messages go to standard error, logins are cancelled, nothing
// is opened.
class CGuiPrompts : public QObject, public CUserPrompts
{
    Q_OBJECT

public:
    // Lets tests answer the dialogs: gets the box or dialog about to run, returns its result.
    using DialogRunner = std::function<int(class QDialog&)>;

    explicit CGuiPrompts(bool headless, QObject* parent = nullptr);

    // The window that owns the dialogs (the main window once it exists).
    void SetOwner(QWidget* owner) { m_owner = owner; }
    void SetDialogRunner(DialogRunner runner) { m_runDialog = std::move(runner); }
    // Replaces the desktop's "open" (tests record what would be opened).
    void SetShellOpener(std::function<bool(const std::string&)> opener)
    {
        m_openWithShell = std::move(opener);
    }

    // Any thread; each call blocks until answered.
    void ShowMessage(const std::string& caption, const std::string& text) override;
    // With the information, warning or error icon.
    void ShowMessageAs(EKind kind, const std::string& caption, const std::string& text) override;
    bool AskLogin(const std::string& server, std::string& userName, std::string& password) override;
    bool AskLoginWhile(const std::string& server, std::string& userName, std::string& password,
                       const std::function<bool()>& stillWanted) override;
    bool OpenWithShell(const std::string& urlOrFile) override;

    // Quitting while files download: true for Quit (what was received is kept, and a later
    // download of the file goes on from there), false for Cancel. Headless: Quit.
    bool AskQuitDuringDownloads(std::uint32_t pending);

private:
    int RunDialog(QDialog& dialog);

    bool m_headless;
    QPointer<QWidget> m_owner;
    DialogRunner m_runDialog;
    std::function<bool(const std::string&)> m_openWithShell;
};
