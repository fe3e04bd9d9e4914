#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

class CTransfer;
class CUrl;
class CUrlQueue;
struct CTransferContext;

// The requests a browse thread has sent for the next pages of its crawl list while it still works
// on an earlier one. Requests go out strictly in the list's order; each page's transfer is taken
// over only when the page's turn comes, so logging, login prompts, headers and the page's
// processing happen in the list's order exactly as when pages are read one at a time. Destroying
// it (or Clear) stops every request still in flight. Lives on the browse thread only.
class CPageReadAhead
{
public:
    // What a Fill tells of a page whose request ended before its turn: its queue position, the
    // page and its transfer. Told once a page.
    using CEndedHook = std::function<void(std::size_t, const CUrl&, const CTransfer&)>;

    // pagesAtOnce: the page being read included; 1 sends nothing ahead of the current page.
    // wantsHead tells, for a page, whether its turn starts with a HEAD request (a check for
    // changes) rather than reading it.
    CPageReadAhead(const CTransferContext& context, int pagesAtOnce, CUrlQueue& queue,
                   std::function<bool(const CUrl&)> wantsHead, CEndedHook ended = {});
    ~CPageReadAhead();
    CPageReadAhead(const CPageReadAhead&) = delete;
    CPageReadAhead& operator=(const CPageReadAhead&) = delete;

    // Sends the requests for the queue's positions from current on that have none yet, until
    // pagesAtOnce reads are unfinished (the page taken last counts until its body is in, that is
    // until a Fill from a later position); a page whose answer is all in makes room for the
    // next, up to 3 * pagesAtOnce positions from current. Nothing is sent while 2 * pagesAtOnce
    // pages are all in and the page taken last is too; the requests of one Fill leave together.
    // With more than one page at once, the same happens whenever a read ends while the thread
    // waits for another.
    void Fill(std::size_t current);
    // The transfer sent for position index of the queue (record page), or nullptr; requests for
    // earlier positions are dropped. The page's read counts as in flight from now on.
    std::unique_ptr<CTransfer> Take(std::size_t index, const CUrl& page);
    // Stops every request in flight.
    void Clear();

private:
    struct CEntry;

    const CTransferContext& m_context;
    std::size_t m_pagesAtOnce;
    CUrlQueue& m_queue;
    std::function<bool(const CUrl&)> m_wantsHead;
    CEndedHook m_ended;
    std::deque<CEntry> m_entries;
    // The first queue position not considered yet.
    std::size_t m_nextPosition = 0;
    // The position of the last Fill, and the page taken whose body is not in yet.
    std::size_t m_current = 0;
    std::optional<std::size_t> m_taken;
    std::function<void()> m_refill;
};
