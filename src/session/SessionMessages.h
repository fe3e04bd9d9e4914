#pragma once

#include <string>

class CFileError;
class CUserPrompts;

// The caption of the program's message boxes.
inline constexpr const char* kAppName = "Harvestor";
inline constexpr const char* kSocketsFailedMessage = "The network library could not be started.";

// Tells the user that a settings file could not be read or written; the command that asked for
// it ends.
void ReportFileError(CUserPrompts& prompts, const CFileError& error);
