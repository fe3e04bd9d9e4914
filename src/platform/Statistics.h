#pragma once

#include <atomic>
#include <cstdint>

// The counters of the statistics window. Any thread may change them, so each is atomic;
// nothing resets them while the program runs (unsigned counters wrap). The bytes are 64-bit: a
// single file may pass 4 GB.
struct CStatistics
{
    std::atomic<std::uint32_t> m_foundSites{0};
    std::atomic<std::uint32_t> m_browsedSites{0};
    std::atomic<std::uint32_t> m_foundFiles{0};
    // Overwritten each time the pending downloads are counted.
    std::atomic<std::uint32_t> m_queuedFiles{0};
    std::atomic<std::uint32_t> m_receivedFiles{0};
    std::atomic<std::uint64_t> m_receivedBytes{0};
    // Page reads and downloads tried again after a failure that may pass.
    std::atomic<std::uint32_t> m_retries{0};
    // Pages and files that a site's robots.txt kept the crawl from (or that it could not read).
    std::atomic<std::uint32_t> m_robotsDisallowed{0};
    // Requests that had to wait for a site: its request rate or connection limit, or the
    // hold-off that a 429 or 503 asked for.
    std::atomic<std::uint32_t> m_siteWaits{0};
};
