#pragma once

#include <chrono>
#include <memory>

class CModeData;
class CTrawlerCore;
class CUrlHold;

// Starts a browse thread that crawls the held site with mode; the thread keeps the hold and the
// mode. A stand-in site record without a node of its own puts its links at the tree's root
// level. User-interface thread (or a test's); there is no limit on the number of browse
// threads, and none starts once closing has begun.
void StartBrowse(CTrawlerCore& core, CUrlHold site, std::unique_ptr<CModeData> mode);

// Waits until no browse thread runs any more; false when the budget ran out first. For tests
// and benchmarks.
bool WaitForBrowseThreads(CTrawlerCore& core, std::chrono::milliseconds budget);
