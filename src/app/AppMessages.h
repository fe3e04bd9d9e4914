#pragma once

#include "session/SessionMessages.h"

inline constexpr const char* kDocsOfflineMessage =
    "You must be online to access the documentation.";
