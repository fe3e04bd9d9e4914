#pragma once

#include "core/UrlQueue.h"
#include "platform/Statistics.h"

#include <cstdint>

// Files waiting for or in download: the download queue's length plus the running download
// workers. Also stores the sum as the "queued files" statistic. Any thread.
std::uint32_t PendingDownloads(const CUrlQueue& downloadQueue, std::uint32_t runningWorkers,
                               CStatistics& stats);
