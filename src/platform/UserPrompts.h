#pragma once

#include <string>

// What the core asks of the user: message boxes, the user-name and password prompt, and the
// shell's "open". The GUI shows dialogs; headless runs answer without a window.
// Thread contract: called on any thread, several at once; each call blocks until it is answered
// (the GUI runs the dialog on its own thread).
class CUserPrompts
{
public:
    // What a message is, so that a window can show the fitting icon.
    enum class EKind
    {
        Information,
        Warning,
        Error
    };

    virtual ~CUserPrompts() = default;

    // A modal message box with an OK button.
    virtual void ShowMessage(const std::string& caption, const std::string& text) = 0;
    // The same for a message of that kind; prompts without icons show it as any other.
    virtual void ShowMessageAs(EKind /*kind*/, const std::string& caption, const std::string& text)
    {
        ShowMessage(caption, text);
    }

    // Asks for the user name and password for server. The two texts come in with the values to
    // show and go out with the entered ones. True for OK, false for Cancel.
    virtual bool AskLogin(const std::string& server, std::string& userName,
                          std::string& password) = 0;

    // Opens a URL or a local file with the desktop's default handler; false when that fails.
    virtual bool OpenWithShell(const std::string& urlOrFile) = 0;
};
