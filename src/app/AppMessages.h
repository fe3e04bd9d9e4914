#pragma once

#include "session/SessionMessages.h"

inline constexpr const char* kDocsOfflineMessage =
    "The documentation pages are not on this computer, and the maker's site did not answer.";
