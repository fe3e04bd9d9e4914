#pragma once

#include "platform/EngineEvents.h"

#include <functional>
#include <string>

// What a front-end asks of its user: message boxes, the user-name and password prompt, and the
// shell's "open". The GUI shows dialogs; headless runs answer without a window.
// Thread contract: the front-end's own thread; each call blocks until it is answered. Engine
// threads never call it: they post events (CShowMessageEvent, CLoginPromptEvent).
class CUserPrompts
{
public:
    using EKind = EMessageKind;

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
    // The same, given up as Cancel as soon as stillWanted says no (the request was cancelled
    // meanwhile): a question on screen closes itself.
    virtual bool AskLoginWhile(const std::string& server, std::string& userName,
                               std::string& password, const std::function<bool()>& stillWanted)
    {
        (void)stillWanted;
        return AskLogin(server, userName, password);
    }

    // Opens a URL or a local file with the desktop's default handler; false when that fails.
    virtual bool OpenWithShell(const std::string& urlOrFile) = 0;
};
