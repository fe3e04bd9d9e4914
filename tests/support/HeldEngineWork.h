#pragma once

#include "session/Engine.h"
#include "support/HeldWorkBody.h"

// Held work seen only through the engine's interface (front-end tests).
class CHeldEngineWork : public CHeldWorkBody
{
public:
    CHeldEngineWork(CEngine& engine, EEngineWork kind)
        : CHeldWorkBody([&](CWork work) { return engine.StartCountedWork(kind, std::move(work)); })
    {
    }
};
