#pragma once

#include "core/UrlSink.h"
#include "platform/SinkTargets.h"

#include <atomic>
#include <string>

// The site tree: its nodes are the URLs whose store entry carries the site-tree mark. Its lock
// also guards the tree's removals, so a tree mark only changes under that lock.
class CSiteSink : public CUrlSink
{
public:
    using CUrlSink::CUrlSink;

    // Binds the tree control. Set before any worker adds, cleared only when none runs any more.
    void SetTarget(CSiteTreeTarget* target) { m_target.store(target); }

    bool IsShown(const CUrl& record) const override;

    // Shows the held record under the node of the page parentUrl (empty: the root level) unless
    // its URL is shown already; the store's entry then carries the tree's mark. False when it
    // was not handed to the tree (or no tree is bound); the store is then unchanged. Waits for
    // the lock as long as a command holds it.
    bool AddLocked(const CUrlHold& hold, const std::string& parentUrl = {});

private:
    std::atomic<CSiteTreeTarget*> m_target{nullptr};
};
