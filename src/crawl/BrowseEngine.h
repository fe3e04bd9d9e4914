#pragma once

#include <chrono>
#include <memory>

class CModeData;
class CTrawlerCore;
class CUrl;

// Starts a browse thread that crawls site with mode (the thread owns the mode). site is a record
// that the URL store holds, or one that the caller made with new and hands over: the thread
// takes a counted hold on its URL, the store adopts a new record when it has none for the URL,
// and otherwise the record is the thread's own until its browse ends (its links then appear at
// the tree's root level, since it has no node of its own).
// User-interface thread (or a test's); there is no limit on the number of browse threads.
void StartBrowse(CTrawlerCore& core, CUrl* site, std::unique_ptr<CModeData> mode);

// Waits until no browse thread runs any more; false when the budget ran out first. For tests
// and unattended runs; the main window polls the counters itself.
bool WaitForBrowseThreads(CTrawlerCore& core, std::chrono::milliseconds budget);
