#include "crawl/PageReadAhead.h"

#include "core/UrlQueue.h"
#include "net/Transfer.h"
#include "url/Url.h"

#include <algorithm>

struct CPageReadAhead::CEntry
{
    std::size_t position = 0;
    const CUrl* page = nullptr;
    std::unique_ptr<CTransfer> transfer;
    bool toldEnded = false;
};

CPageReadAhead::CPageReadAhead(const CTransferContext& context, int pagesAtOnce, CUrlQueue& queue,
                               std::function<bool(const CUrl&)> wantsHead, CEndedHook ended)
    : m_context(context), m_pagesAtOnce(static_cast<std::size_t>(std::max(pagesAtOnce, 1))),
      m_queue(queue), m_wantsHead(std::move(wantsHead)), m_ended(std::move(ended)),
      m_refill([this] { Fill(m_current); })
{
    if (m_pagesAtOnce > 1)
        CTransfer::SetThreadEndedHook(&m_refill);
}

CPageReadAhead::~CPageReadAhead()
{
    if (m_pagesAtOnce > 1)
        CTransfer::SetThreadEndedHook(nullptr);
    Clear();
}

void CPageReadAhead::Fill(std::size_t current)
{
    if (m_context.cancelBrowse)
        return;
    m_current = current;
    m_nextPosition = std::max(m_nextPosition, current);
    if (m_taken && *m_taken < current)
        m_taken.reset();
    // A page whose whole answer is in holds no connection any more: the next one goes out in its
    // place, as far as 2 * pagesAtOnce positions beyond the in-flight window.
    std::size_t inFlight = m_taken ? 1 : 0;
    std::size_t ready = 0;
    for (const CEntry& entry : m_entries)
    {
        if (entry.position >= current)
            ++(entry.transfer->HasEnded() ? ready : inFlight);
    }
    // While 2 * pagesAtOnce pages wait in memory and the thread waits for none, it has work
    // enough: the next requests go out together once fewer wait, so that the server wakes for
    // several at a time rather than for each one, and the pages still waiting cover its answer.
    const bool workEnough = !m_taken && ready >= 2 * m_pagesAtOnce;
    const std::size_t end = std::min(m_queue.Count(), current + 3 * m_pagesAtOnce);
    CTransfer* started = nullptr;
    std::size_t startedCount = 0;
    for (; !workEnough && m_nextPosition < end && inFlight < m_pagesAtOnce; ++m_nextPosition)
    {
        CUrl* page = nullptr;
        if (!m_queue.ItemAt(m_nextPosition, page))
            continue;
        auto transfer = std::make_unique<CTransfer>(m_context, &m_context.cancelBrowse);
        if (!transfer->StartAhead(*page, m_wantsHead(*page)))
            continue;
        started = transfer.get();
        ++startedCount;
        m_entries.push_back(CEntry{m_nextPosition, page, std::move(transfer)});
        ++inFlight;
    }
    if (started != nullptr)
        started->SendAhead(startedCount > 1);
    if (!m_ended)
        return;
    for (CEntry& entry : m_entries)
    {
        if (!entry.toldEnded && entry.position >= current && entry.transfer->HasEnded())
        {
            entry.toldEnded = true;
            m_ended(entry.position, *entry.page, *entry.transfer);
        }
    }
}

std::unique_ptr<CTransfer> CPageReadAhead::Take(std::size_t index, const CUrl& page)
{
    while (!m_entries.empty() && m_entries.front().position < index)
        m_entries.pop_front();
    m_taken = index;
    if (m_entries.empty() || m_entries.front().position != index || m_entries.front().page != &page)
        return nullptr;
    std::unique_ptr<CTransfer> transfer = std::move(m_entries.front().transfer);
    m_entries.pop_front();
    return transfer;
}

void CPageReadAhead::Clear()
{
    m_entries.clear();
}
