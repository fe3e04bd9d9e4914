#pragma once

#include "net/TransferContext.h"
#include "platform/Statistics.h"

#include <atomic>
#include <cstdint>

// Small steps that page reads and downloads share.

inline void CountReceived(const CTransferContext& context, std::int64_t count)
{
    context.statistics.m_receivedBytes.fetch_add(static_cast<std::uint64_t>(count),
                                                 std::memory_order_relaxed);
}

inline bool IsCancelled(const std::atomic<bool>& flag)
{
    return flag.load(std::memory_order_relaxed);
}
