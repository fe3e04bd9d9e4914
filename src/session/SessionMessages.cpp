#include "session/SessionMessages.h"

#include "platform/FileError.h"
#include "platform/UserPrompts.h"

void ReportFileError(CUserPrompts& prompts, const CFileError& error)
{
    prompts.ShowMessageAs(CUserPrompts::EKind::Error, kAppName, error.what());
}
