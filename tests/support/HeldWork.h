#pragma once

#include "core/TrawlerCore.h"
#include "support/HeldWorkBody.h"

// Held work on the core's own threads (tests of the engine's inside).
class CHeldWork : public CHeldWorkBody
{
public:
    CHeldWork(CTrawlerCore& core, CWorkerThreads::EKind kind)
        : CHeldWorkBody([&](CWork work) { return core.m_threads.Start(kind, std::move(work)); })
    {
    }
};
