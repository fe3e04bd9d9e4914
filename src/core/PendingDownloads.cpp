#include "core/PendingDownloads.h"

std::uint32_t PendingDownloads(const CUrlQueue& downloadQueue, std::uint32_t runningWorkers,
                               CStatistics& stats)
{
    const auto pending = static_cast<std::uint32_t>(downloadQueue.Count()) + runningWorkers;
    stats.m_queuedFiles.store(pending);
    return pending;
}
