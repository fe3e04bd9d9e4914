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

// The handling of CStartDownloadsEvent (the front-end's thread): starts workers while the queue
// holds a file and fewer than m_downloadThreads run. Returns how many it started; none without
// an Internet session.
std::uint32_t StartDownloadWorkers(CTrawlerCore& core);

// Queues a new hold on the store's record of the held URL (never a stand-in: the file list and
// the workers share the store's record). False when the queue refused it (a duplicate, or its
// lock was busy); that hold is given back then. The caller posts PostDownloadsQueued once it has
// queued its files.
bool QueueForDownload(CTrawlerCore& core, const CUrlHold& hold);

// Tells the front-end that files were queued: CStartDownloadsEvent, then the pending count.
void PostDownloadsQueued(CTrawlerCore& core);

// Waits, polling, until no worker runs and no worker thread of the core (download or browse)
// still touches it; false when the time runs out first. Workers are detached, so the counts are
// the only sign that they are gone (shut-down, tests).
bool WaitForDownloadWorkers(CTrawlerCore& core, std::chrono::milliseconds timeout);
