#include "app/AppMessages.h"

#include "download/TrawlerCore.h"
#include "platform/FileError.h"
#include "platform/UserPrompts.h"

void ReportFileError(CTrawlerCore& core, const CFileError& error)
{
    core.Prompts().ShowMessage(kAppName, error.what());
}
