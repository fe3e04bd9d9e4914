#pragma once

#include "session/SessionSteps.h"

#include <cstdint>
#include <string>

class CTrawlerCore;
class CSiteSink;

// The window's way to take the site tree's lock: it serves the insertions queued for it while
// it waits. True when the lock is held afterwards (the caller unlocks).
bool LockTreeServingInsertions(CSiteSink& tree);

// Puts the site into the site tree and starts browsing it with mode number modeIndex (0 to 2;
// any other number browses with the default mode), from the window's thread. The browse
// starts even when the tree had the URL already.
void AddAndBrowseSite(CTrawlerCore& core, const std::string& siteText, std::int32_t modeIndex);
