#include "crawl/PageScanAhead.h"

#include "crawl/LinkScanner.h"
#include "crawl/SiteBrowser.h"
#include "url/Url.h"

#include <algorithm>

bool CScannedPage::Fits(std::string_view pageText, std::string_view here,
                        std::span<const std::string> pageKeywords) const
{
    return pageText == text && here == hereUrl &&
           std::equal(keywords.begin(), keywords.end(), pageKeywords.begin(), pageKeywords.end());
}

CPageScanAhead::CPageScanAhead(const std::atomic<bool>& cancel)
    : m_cancel(cancel), m_thread([this] { Run(); })
{
}

CPageScanAhead::~CPageScanAhead()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_work.notify_one();
    m_thread.join();
}

void CPageScanAhead::Submit(std::size_t position, std::string_view text, std::string hereUrl,
                            std::span<const std::string> keywords)
{
    auto page = std::make_unique<CScannedPage>();
    page->text = text;
    page->hereUrl = std::move(hereUrl);
    page->keywords.assign(keywords.begin(), keywords.end());
    bool wake = false;
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(CJob{position, EState::kQueued, std::move(page)});
        wake = m_idle;
    }
    // Only a waiting thread is woken: a busy one finds the job when it looks for the next.
    if (wake)
        m_work.notify_one();
}

std::unique_ptr<CScannedPage> CPageScanAhead::Take(std::size_t position)
{
    std::unique_lock lock(m_mutex);
    std::erase_if(m_jobs, [position](const CJob& job)
                  { return job.position < position && job.state != EState::kScanning; });
    const auto find = [&]
    {
        return std::find_if(m_jobs.begin(), m_jobs.end(),
                            [position](const CJob& job) { return job.position == position; });
    };
    const auto scanning = [&]
    {
        const auto job = find();
        return job != m_jobs.end() && job->state == EState::kScanning;
    };
    if (scanning())
    {
        // Moments at most: the scan of one page. The jobs may move meanwhile.
        m_awaited = true;
        m_done.wait(lock, [&] { return !scanning(); });
        m_awaited = false;
    }
    const auto job = find();
    if (job == m_jobs.end())
        return nullptr;
    std::unique_ptr<CScannedPage> page =
        job->state == EState::kDone ? std::move(job->page) : nullptr;
    m_jobs.erase(job);
    return page;
}

void CPageScanAhead::Clear()
{
    std::unique_lock lock(m_mutex);
    const auto scanning = [this]
    {
        return std::any_of(m_jobs.begin(), m_jobs.end(),
                           [](const CJob& job) { return job.state == EState::kScanning; });
    };
    m_awaited = true;
    m_done.wait(lock, [&] { return !scanning(); });
    m_awaited = false;
    m_jobs.clear();
}

void CPageScanAhead::Run()
{
    std::unique_lock lock(m_mutex);
    for (;;)
    {
        // The earliest page first: its turn comes first.
        auto next = m_jobs.end();
        for (auto job = m_jobs.begin(); job != m_jobs.end(); ++job)
        {
            if (job->state == EState::kQueued &&
                (next == m_jobs.end() || job->position < next->position))
                next = job;
        }
        if (next == m_jobs.end())
        {
            if (m_stop)
                return;
            m_idle = true;
            m_work.wait(lock);
            m_idle = false;
            continue;
        }
        next->state = EState::kScanning;
        CScannedPage* page = next->page.get();
        lock.unlock();
        Scan(*page);
        const bool cut = m_cancel.load(std::memory_order_relaxed);
        lock.lock();
        // Jobs may have moved meanwhile, but this one is still there: nothing drops a scan under
        // way.
        for (CJob& job : m_jobs)
        {
            if (job.page.get() == page)
                job.state = cut ? EState::kCut : EState::kDone;
        }
        std::erase_if(m_jobs, [](const CJob& job) { return job.state == EState::kCut; });
        if (m_awaited)
            m_done.notify_one();
    }
}

void CPageScanAhead::Scan(CScannedPage& page) const
{
    std::string text = page.text;
    const CUrl here(page.hereUrl);
    // What the links resolved against, as the page's turn names it.
    page.hereUrl = here.m_url;
    const CScanOutput output{
        [&](std::string& value, const CUrl& base)
        {
            if (m_cancel.load(std::memory_order_relaxed))
                return false;
            const bool ok = ResolveLink(base, value);
            page.links.push_back(CScannedPage::CLink{static_cast<std::uint32_t>(page.values.size()),
                                                     static_cast<std::uint32_t>(value.size()), ok});
            page.values += value;
            return page.links.size() <= kMaxLinksPerPage;
        },
        [&] { page.keywordHitAt = page.links.size(); }};
    ScanPage(text, here, page.keywords, output);
}
