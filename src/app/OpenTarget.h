#pragma once

#include <string>

class CUserPrompts;

// What every failed "open" says, whatever was to be opened (a page, a file, a folder).
std::string OpenFailedMessage(const std::string& target);

// Opens a URL, file or folder with the desktop's handler; when that fails, says so in the one
// wording. False when it failed.
bool OpenOrSay(CUserPrompts& prompts, const std::string& target);
