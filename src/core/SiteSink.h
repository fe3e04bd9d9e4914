#pragma once

#include "core/UrlSink.h"
#include "platform/SinkTargets.h"

#include <atomic>

// The site tree: its nodes are the URLs whose store entry carries the site-tree mark. Its lock
// also guards the tree's removals, so a tree mark only changes under that lock.
class CSiteSink : public CUrlSink
{
public:
    using CUrlSink::CUrlSink;

    // Binds the tree control. Set before any worker adds, cleared only when none runs any more.
    void SetTarget(CSiteTreeTarget* target) { m_target.store(target); }
    CSiteTreeTarget* Target() const { return m_target.load(); }

    bool IsShown(const CUrl& record) const override;

protected:
    bool Add(CUrl& record) override;

private:
    std::atomic<CSiteTreeTarget*> m_target{nullptr};
};
