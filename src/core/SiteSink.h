#pragma once

#include "core/UrlSink.h"
#include "platform/EventPoster.h"

#include <atomic>
#include <string>

// The site tree: its nodes are the URLs whose store entry carries the site-tree mark. Its lock
// also guards the tree's removals, so a tree mark only changes under that lock.
class CSiteSink : public CUrlSink
{
public:
    CSiteSink(CUrlStore& store, CEventPoster& events) : CUrlSink(store), m_events(events) {}

    bool IsShown(const CUrl& record) const override;

    // Shows the held record under the node of the page parentUrl (empty: the root level) unless
    // its URL is shown already: the store's entry then carries the tree's mark and the
    // front-end hears of it as a page added, in the order of the calls (a front-end that finds
    // no node for the parent any more gives the mark back through the engine). False when it was
    // not shown (or no front-end listens); the store is then unchanged. Waits for
    // the lock as long as a command holds it.
    bool AddLocked(const CUrlHold& hold, const std::string& parentUrl = {});

private:
    CEventPoster& m_events;
};
