#include "app/AppMessages.h"

#include "app/AppState.h"
#include "platform/FileError.h"
#include "platform/UserPrompts.h"

#include <cstdio>

void ReportFileError(CAppState& state, const CFileError& error)
{
    if (state.m_prompts != nullptr)
        state.m_prompts->ShowMessage(kAppName, error.what());
    else
        std::fprintf(stderr, "%s\n", error.what());
}
