#pragma once

#include <chrono>
#include <cstdint>

class CTrawlerCore;
class CUrlHold;

// The download pool. Workers pop the download queue (last in, first out) until it is empty:
// each file gets a local name, passes the size limits when they are checked at download time,
// is downloaded, logged and added to the download history, and its counted reference is
// released. While m_cancelDownload is set, popped files go back to the file list instead; the
// last worker to end clears the flag. Workers tell the front-end only by posted events.
// The workers are threads of the core, which joins them when it closes.

// Starts workers while the queue holds a file and fewer than m_downloadThreads run; none once
// closing has begun. Returns how many it started; none without an Internet session. Any thread.
std::uint32_t StartDownloadWorkers(CTrawlerCore& core);

// Makes files queued anywhere in the engine (a browse that downloads what it finds) start
// workers. Once, before any browse runs.
void EnableDownloadWorkers(CTrawlerCore& core);

// Queues a new hold on the store's record of the held URL (never a stand-in: the file list and
// the workers share the store's record). False when the queue refused it (a duplicate, or its
// lock was busy); that hold is given back then. The caller calls PostDownloadsQueued once it has
// queued its files.
bool QueueForDownload(CTrawlerCore& core, const CUrlHold& hold);

// After files were queued: starts workers for them and tells the front-end the pending count.
void PostDownloadsQueued(CTrawlerCore& core);

// Waits until no thread of the core (download or browse) is at work any more; false when the
// time runs out first (tests, benchmarks).
bool WaitForDownloadWorkers(CTrawlerCore& core, std::chrono::milliseconds timeout);
