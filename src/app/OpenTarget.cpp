#include "app/OpenTarget.h"

#include "app/AppMessages.h"
#include "platform/UserPrompts.h"

std::string OpenFailedMessage(const std::string& target)
{
    return "Could not open " + target + ": no program on this computer is set up to open it.";
}

bool OpenOrSay(CUserPrompts& prompts, const std::string& target)
{
    if (prompts.OpenWithShell(target))
        return true;
    prompts.ShowMessageAs(CUserPrompts::EKind::Warning, kAppName, OpenFailedMessage(target));
    return false;
}
