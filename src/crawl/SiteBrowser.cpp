#include "crawl/SiteBrowser.h"

#include "core/TrawlerCore.h"
#include "core/UrlQueue.h"
#include "crawl/LinkScanner.h"
#include "crawl/PageReadAhead.h"
#include "crawl/PageScanAhead.h"
#include "net/SiteBackoff.h"
#include "net/Transfer.h"
#include "net/UrlTransfers.h"
#include "platform/EventPoster.h"
#include "url/Url.h"
#include "url/UrlCanonicalizer.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace
{

// Pages from this size on are scanned ahead of their turn, when several are read at once.
constexpr std::size_t kScanAheadFromBytes = 16 * 1024;
// Every this many link records the thread posts a progress tick.
constexpr std::uint32_t kLinksPerProgressTick = 5;

} // namespace

CSiteBrowser::CSiteBrowser(CTrawlerCore& core, const CModeData& mode)
    : m_core(core), m_mode(mode), m_options(core.Options()), m_rules(MakeRules())
{
}

CSiteBrowser::~CSiteBrowser()
{
    // After the browse's work has ended: when that left nothing to do, this says so (a worker
    // that ends later says it instead).
    if (m_core.Options()->m_terminateWhenDone && m_core.AllWorkDone())
        m_core.m_events.Post(CWorkDoneEvent{});
}

bool CSiteBrowser::IsVisited(const std::string& link) const
{
    return m_visited.Contains(link);
}

void CSiteBrowser::MarkVisited(const std::string& link)
{
    m_visited.Insert(link);
    ++m_core.m_stats.m_foundSites;
}

void CSiteBrowser::Explore(CUrlHold siteHold)
{
    CUrl& site = *siteHold;
    // Nothing is queued twice: every link passes the visited set first.
    CUrlQueue localQueue(CUrlQueue::CDuplicates::NeverAdded);
    CUrlQueue externalQueue(CUrlQueue::CDuplicates::NeverAdded);
    // Pages found on the site are shown under the site's own node (an outer site's again after).
    const std::string outerTreeParent = std::exchange(m_treeParent, site.m_url);
    ++m_depth;
    // A link back to the site's own page must not read it a second time. Not counted as a
    // found site: the site was not found on a page.
    m_visited.Insert(NormalizeUrl(site.m_url));

    m_siteStart = &site;
    // Only the site that the browse began with is a start page.
    m_startPage = m_depth == 1 ? &site : nullptr;
    // Read first: its Crawl-delay paces the start page already, and its sitemaps come next.
    const std::string siteRoot = SiteRootOf(site);
    if (m_options->m_obeyRobots)
    {
        m_robots.AnswerFor(site, *m_options);
        m_core.m_pacing.WaitTurn(siteRoot, m_core.m_cancelBrowse);
    }
    // A Crawl-delay allows one page at a time, none ahead of its turn.
    const bool paced = m_options->m_obeyRobots && m_core.m_pacing.Interval(siteRoot).count() > 0;
    const int pagesAtOnce = paced ? 1 : m_mode.PagesAtOnce();
    const bool readsSitemap = m_depth == 1;
    m_startAnswered = site.m_url;
    std::unique_ptr<CUrl> start = readsSitemap ? std::make_unique<CUrl>(site.m_url) : nullptr;
    if (!m_core.m_cancelBrowse && !ReachedBound())
    {
        BrowsePage(std::move(siteHold), localQueue, externalQueue);
    }
    else
    {
        DecidePage(site, UnreadDecision());
        LetGoPage(std::move(siteHold));
    }
    m_siteStart = nullptr;
    m_startPage = nullptr;
    if (readsSitemap && !m_core.m_cancelBrowse && !m_stoppedAtBound)
    {
        if (m_startAnswered != start->m_url)
            start = std::make_unique<CUrl>(m_startAnswered);
        ReadSitemaps(*start, localQueue, externalQueue);
    }

    // The local queue grows while its pages are read: breadth first within the site. The next
    // pages are requested while one is worked on; each is still worked on in the queue's order.
    std::size_t next = 0;
    {
        CPageReadAhead::CEndedHook ended;
        if (pagesAtOnce > 1)
        {
            // A large page is scanned on a second thread while earlier ones are worked on. A
            // small one is not: handing it over would cost more than its scan.
            ended = [&](std::size_t position, const CUrl& page, const CTransfer& transfer)
            {
                const std::string_view body = transfer.EndedBody();
                // The page whose turn it is gains nothing from a hand-over either.
                if (position <= next || body.size() < kScanAheadFromBytes)
                    return;
                if (!m_scanAhead)
                    m_scanAhead = std::make_unique<CPageScanAhead>(m_core.m_cancelBrowse);
                std::string here = transfer.AnsweredUrl();
                m_scanAhead->Submit(position, body, here.empty() ? page.m_url : std::move(here),
                                    m_options->m_keywords);
            };
        }
        CPageReadAhead readAhead(
            m_core.TransferContext(), pagesAtOnce, localQueue,
            [this](const CUrl& page) { return ChecksFirst(page); }, std::move(ended));
        // Once a page's body is in, its read no longer counts: the next page goes out before
        // the page is worked on. One at a time stays strictly one after the other.
        std::function<void()> readNext;
        if (pagesAtOnce > 1)
            readNext = [&] { readAhead.Fill(next + 1); };
        for (; next < localQueue.Count() && !m_core.m_cancelBrowse && !ReachedBound(); ++next)
        {
            CUrl* page = nullptr;
            if (!localQueue.ItemAt(next, page))
                continue;
            if (paced)
                m_core.m_pacing.WaitTurn(SiteRootOf(*page), m_core.m_cancelBrowse);
            readAhead.Fill(next);
            std::unique_ptr<CTransfer> started = readAhead.Take(next, *page);
            const std::unique_ptr<CScannedPage> scanned =
                m_scanAhead ? m_scanAhead->Take(next) : nullptr;
            BrowsePage(localQueue.TakeAt(next), localQueue, externalQueue, started.get(), readNext,
                       scanned.get());
        }
        if (m_scanAhead)
            m_scanAhead->Clear();
    }
    LetGoUnbrowsed(localQueue, next);

    // Then the other sites, each explored whole before the next: depth first across sites.
    std::size_t nextSite = 0;
    for (; nextSite < externalQueue.Count() && !m_core.m_cancelBrowse && !ReachedBound();
         ++nextSite)
    {
        if (CUrlHold otherSite = externalQueue.TakeAt(nextSite))
            Explore(std::move(otherSite));
    }
    LetGoUnbrowsed(externalQueue, nextSite);
    m_treeParent = outerTreeParent;
    --m_depth;
}

void CSiteBrowser::BrowsePage(CUrlHold pageHold, CUrlQueue& localQueue, CUrlQueue& externalQueue,
                              CTransfer* started, const std::function<void()>& bodyRead,
                              const CScannedPage* scanned)
{
    ReadPage(pageHold, localQueue, externalQueue, started, bodyRead, scanned);
    LetGoPage(std::move(pageHold));
}

void CSiteBrowser::ReadPage(const CUrlHold& pageHold, CUrlQueue& localQueue,
                            CUrlQueue& externalQueue, CTransfer* started,
                            const std::function<void()>& bodyRead, const CScannedPage* scanned)
{
    CUrl& page = *pageHold;
    m_options = m_core.Options();
    m_rules = MakeRules();
    // A site given up this run is not asked again: its one log line said so.
    if (m_core.m_siteFailures.GivenUp(SiteOf(page)))
    {
        DecidePage(page, CDecision{CVerdict::NotRead, CReason::Error});
        return;
    }
    m_core.m_log.Write("Browsing %s\n", page.m_url.c_str());
    m_core.m_events.Post(CPageStateEvent{page.m_url, page.m_pageKind, kPageImageReading});
    if (m_core.m_cancelBrowse)
    {
        DecidePage(page, CDecision{CVerdict::NotRead, CReason::Cancelled});
        return;
    }

    std::optional<std::string> text;
    CPageAnswer answer;
    answer.onlyPages = true;
    const bool unchanged = IsUnchanged(page, started);
    if (unchanged || !(text = FetchBody(page, m_core.TransferContext(), nullptr, &answer, started)))
    {
        if (!unchanged && &page == m_startPage && !m_core.m_cancelBrowse)
        {
            m_startPageProblem = answer.problem.empty() ? "no answer" : answer.problem;
            m_core.NoteUnreadStartPage(page.m_url, answer.problem);
        }
        const CReason reason = unchanged               ? CReason::Unchanged
                               : m_core.m_cancelBrowse ? CReason::Cancelled
                                                       : CReason::Error;
        DecidePage(page, CDecision{CVerdict::NotRead, reason,
                                   static_cast<std::uint16_t>(answer.refusedStatus)});
        m_core.m_events.Post(
            CPageStateEvent{page.m_url, page.m_pageKind,
                            reason == CReason::Error ? kPageImageFailed : kPageImageDone});
        return;
    }

    if (bodyRead)
        bodyRead();

    // After a redirect the page is where it was answered: its links are relative to that
    // address, and the follow rules judge hosts and directories by it.
    std::unique_ptr<CUrl> answered;
    if (!answer.answeredUrl.empty() && answer.answeredUrl != page.m_url)
    {
        answered = std::make_unique<CUrl>(answer.answeredUrl);
        // A page of the site that sends the reader to another site is a link to that site; the
        // site's own start page decides where the site is.
        if (&page != m_siteStart && !IsSameSite(*answered, page))
        {
            text.reset();
            DecidePage(page, CDecision{CVerdict::NotRead, CReason::AnsweredElsewhere});
            HandleLink(answer.answeredUrl, page, page, localQueue, externalQueue);
            m_core.m_events.Post(CPageStateEvent{page.m_url, page.m_pageKind, kPageImageDone});
            return;
        }
    }
    // A script or an extension-less address may answer with a file: its type decides.
    if (answer.notPage)
    {
        ListByType(pageHold, answer.contentType, answer.dispositionName);
        m_core.m_events.Post(CPageStateEvent{page.m_url, page.m_pageKind, kPageImageDone});
        return;
    }
    DecidePage(
        page, CDecision{CVerdict::Read, &page == m_startPage ? CReason::StartPage : CReason::None});
    if (answered)
        m_visited.Insert(NormalizeUrl(answered->m_url));
    const CUrl& here = answered ? *answered : page;
    if (&page == m_startPage)
        m_startAnswered = here.m_url;

    // Links resolve against the base tag, but hosts and directories are judged by the page.
    std::size_t handled = 0;
    const auto linkTurn = [&]
    {
        if (m_core.m_cancelBrowse || m_stoppedAtBound)
            return false;
        if (++handled > kMaxLinksPerPage)
        {
            m_core.m_log.Write("Skipped the links of %s after the first %zu\n", page.m_url.c_str(),
                               kMaxLinksPerPage);
            return false;
        }
        return true;
    };
    const auto keywordHit = [&] { m_core.m_foundFiles.AddLocked(pageHold); };
    if (scanned != nullptr && scanned->Fits(*text, here.m_url, m_options->m_keywords))
    {
        std::string value;
        for (std::size_t i = 0;; ++i)
        {
            if (i == scanned->keywordHitAt)
                keywordHit();
            if (i == scanned->links.size() || !linkTurn())
                break;
            const CScannedPage::CLink& link = scanned->links[i];
            if (!link.resolved)
                continue;
            value.assign(scanned->Value(link));
            HandleResolvedLink(value, here, localQueue, externalQueue);
        }
    }
    else
    {
        const CScanOutput output{[&](std::string& value, const CUrl& base)
                                 {
                                     if (!linkTurn())
                                         return false;
                                     HandleLink(value, here, base, localQueue, externalQueue);
                                     return true;
                                 },
                                 keywordHit};
        ScanPage(*text, here, m_options->m_keywords, output);
    }
    text.reset();
    AskTypes(here);

    m_core.m_events.Post(CPageStateEvent{page.m_url, page.m_pageKind, kPageImageDone});
    m_core.m_log.Write("Finished browsing %s\n", page.m_url.c_str());
    ++m_core.m_stats.m_browsedSites;
    ++m_pagesRead;
    // The history keeps the first time recorded for a page.
    if (m_options->m_rememberPages)
        m_core.m_histories.m_urlHistory.Add(page.m_url, answer.lastModified);
}

void CSiteBrowser::HandleLink(std::string& value, const CUrl& page, const CUrl& base,
                              CUrlQueue& localQueue, CUrlQueue& externalQueue)
{
    if (ResolveLink(base, value))
        HandleResolvedLink(value, page, localQueue, externalQueue);
}

void CSiteBrowser::HandleResolvedLink(std::string& value, const CUrl& page, CUrlQueue& localQueue,
                                      CUrlQueue& externalQueue, const std::string* foundOn)
{
    if (IsVisited(value))
        return;
    auto link = m_core.NewRecord(value);
    // The links of a page share one referer text.
    const std::string& referer = foundOn != nullptr ? *foundOn : page.m_url;
    if (!m_referer || *m_referer != referer)
        m_referer = std::make_shared<const std::string>(referer);
    link->SetReferer(m_referer);
    if (++m_core.m_linkCounter % kLinksPerProgressTick == 0)
        m_core.m_events.Post(CProgressStepEvent{1});
    MarkVisited(link->m_url);

    // The thread holds the URL while it decides, so that a removal in the windows cannot
    // destroy the record under it; letting go of that hold destroys a record nobody kept.
    CUrlHold hold = m_core.m_urlStore.Add(std::move(link));
    CUrl& record = *hold;

    CUrlQueue* queue = nullptr;
    CDecision asPage = m_rules.DecideAsPage(
        record, page, CFollowCounts{localQueue.Count(), externalQueue.Count(), m_depth});
    if (asPage.verdict == CVerdict::Followed)
    {
        if (auto refused = m_robots.Refusal(record, CVerdict::Shown, *m_options))
            asPage = *refused;
    }
    // A page that is followed or shown goes in the site tree.
    if (asPage.verdict != CVerdict::NotFollowed)
    {
        m_core.m_sites.AddLocked(hold, m_treeParent);
        if (asPage.verdict == CVerdict::Followed)
            queue = IsSameSite(record, page) ? &localQueue : &externalQueue;
    }
    if (record.m_pageKind == kPageKindFile)
        ++m_core.m_stats.m_foundFiles;
    const CDecision asFile = DecideFile(record);
    const bool wanted = asFile.verdict == CVerdict::Listed;
    const CDecision decision = KeptDecision(record, asPage, asFile);
    if (wanted)
    {
        if (!m_options->m_autoDownload)
        {
            // A file that a full list refuses is the first one past the bound: the crawl stops
            // and keeps nothing of it.
            if (!m_core.m_foundFiles.AddLocked(hold) && m_core.m_foundFiles.IsFull())
            {
                StopAtBound(m_core.CrawlBounds().maxFoundFiles);
                return;
            }
        }
        else
        {
            QueueForDownload(hold);
        }
        ++m_filesFound;
    }

    // A queued page's hold goes with its page's browse.
    if (queue != nullptr)
    {
        m_core.m_urlStore.Find(value)->m_decision.Set(decision);
        queue->Add(std::move(hold));
        return;
    }
    if (!wanted && WaitsToBeAsked(hold, value, asPage, decision))
        return;
    LetGoLink(std::move(hold), value, *m_referer, decision);
}

void CSiteBrowser::ListByType(const CUrlHold& hold, std::string_view contentType,
                              std::string_view dispositionName)
{
    const CDecision decision = m_rules.DecideByType(*hold, contentType, dispositionName);
    DecidePage(*hold, decision);
    if (decision.verdict == CVerdict::Listed)
        ListFile(hold);
}

void CSiteBrowser::ListFile(const CUrlHold& file)
{
    ++m_core.m_stats.m_foundFiles;
    ++m_filesFound;
    if (m_options->m_autoDownload)
        QueueForDownload(file);
    else if (!m_core.m_foundFiles.AddLocked(file) && m_core.m_foundFiles.IsFull())
        StopAtBound(m_core.CrawlBounds().maxFoundFiles);
}

void CSiteBrowser::LetGoLink(CUrlHold hold, const std::string& value, std::string_view /*foundOn*/,
                             const CDecision& decision)
{
    // The decision goes on the store's record, which the hold keeps alive meanwhile; the store
    // keeps it apart when nothing shows, lists or queues the record.
    m_core.m_urlStore.Find(value)->m_decision.Set(decision);
    hold.Reset();
}

void CSiteBrowser::QueueForDownload(const CUrlHold& file)
{
    // The workers share the store's record with the file list, never a stand-in.
    if (!m_core.m_downloadQueue.Add(m_core.m_urlStore.Hold(file->m_url)))
        return;
    m_core.DownloadsQueued();
    m_core.m_events.Post(CDownloadsChangedEvent{});
}

void CSiteBrowser::DecidePage(const CUrl& page, const CDecision& decision)
{
    if (CUrl* stored = m_core.m_urlStore.Find(page.m_url))
        stored->m_decision.Set(decision);
}

void CSiteBrowser::LetGoPage(CUrlHold page)
{
    // A page removed from the tree meanwhile is let go with its last hold; the store keeps its
    // decision.
    page.Reset();
}

void CSiteBrowser::LetGoUnbrowsed(CUrlQueue& queue, std::size_t from)
{
    // Pages left over by a cancel would otherwise keep their holds while other sites are read.
    for (std::size_t i = from; i < queue.Count(); ++i)
    {
        if (CUrlHold page = queue.TakeAt(i))
        {
            DecidePage(*page, UnreadDecision());
            LetGoPage(std::move(page));
        }
    }
    queue.Clear();
}

bool CSiteBrowser::ReachedBound()
{
    // Relaxed loads and the thread's own set: cheap enough for every page.
    const std::size_t most = m_core.CrawlBounds().maxEntries;
    if (!m_stoppedAtBound && (m_visited.Size() >= most ||
                              static_cast<std::size_t>(m_core.m_urlStore.AllocatedUrls()) >= most ||
                              m_core.m_letGoDecisions.Size() >= most))
        StopAtBound(most);
    return m_stoppedAtBound;
}

void CSiteBrowser::StopAtBound(std::size_t bound)
{
    if (m_stoppedAtBound)
        return;
    m_stoppedAtBound = true;
    m_bound = static_cast<std::uint32_t>(std::min<std::size_t>(bound, UINT32_MAX));
    m_core.ReportCrawlBound(bound);
}

CDecision CSiteBrowser::UnreadDecision() const
{
    if (m_stoppedAtBound)
        return CDecision{CVerdict::NotRead, CReason::CrawlBound, 0, 0, m_bound};
    return CDecision{CVerdict::NotRead, CReason::Cancelled};
}
