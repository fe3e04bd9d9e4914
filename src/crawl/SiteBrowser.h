#pragma once

#include "core/UrlStore.h"
#include "crawl/FollowDecision.h"
#include "crawl/RobotsGate.h"
#include "crawl/TextSet.h"
#include "settings/ModeData.h"
#include "url/LinkDecision.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CPageScanAhead;
class CTrawlerCore;
class CTransfer;
struct CScannedPage;
class CUrl;
class CUrlQueue;
class COptions;

// The link values of one page that are acted on; the rest are skipped. Each makes a record,
// and a page of nothing but distinct links would otherwise take gigabytes.
inline constexpr std::size_t kMaxLinksPerPage = 100000;
// With "ask the type", at most this many links of one page are asked: a page of thousands of
// extension-less links (a wiki's) would otherwise cost a request each.
inline constexpr std::size_t kMaxAskedLinksPerPage = 200;

// One browse thread's crawl: its own copy of the crawl mode, the current site level and the
// links it has already turned into records. Lives on the browse thread only; it shares the
// stores, sinks, histories and counters of the core.
class CSiteBrowser
{
public:
    CSiteBrowser(CTrawlerCore& core, const CModeData& mode);
    ~CSiteBrowser();

    CSiteBrowser(const CSiteBrowser&) = delete;
    CSiteBrowser& operator=(const CSiteBrowser&) = delete;

    // Crawls one site and then, one level deeper, the other sites queued from it.
    void Explore(CUrlHold site);
    // Reads one page and acts on each of its links; gives up the thread's hold on the page at
    // the end. started: a transfer whose request for the page may have gone out ahead (or
    // nullptr). bodyRead, when given, runs once the page's body is in, before it is worked on.
    // scanned: the page's links as a scan ahead of its turn found them (or nullptr); used only
    // when they were found in the very text that the turn reads.
    void BrowsePage(CUrlHold page, CUrlQueue& localQueue, CUrlQueue& externalQueue,
                    CTransfer* started = nullptr, const std::function<void()>& bodyRead = {},
                    const CScannedPage* scanned = nullptr);

    // The link as a file by the rules of the page being browsed. With "check size when found"
    // the size of a file that its name made wanted is asked first, over the network.
    CDecision DecideFile(CUrl& link);
    // With "only if modified", a page in the history is checked for changes before it is read.
    bool ChecksFirst(const CUrl& page) const;
    bool IsUnchanged(CUrl& page, CTransfer* started = nullptr);

    // The thread's visited set holds URLs in their normal form (NormalizeUrl), as links resolve.
    bool IsVisited(const std::string& link) const;
    void MarkVisited(const std::string& link);

    int Depth() const { return m_depth; }
    // What this crawl did so far: pages read, and wanted files found (listed or queued).
    std::uint32_t PagesRead() const { return m_pagesRead; }
    std::uint32_t FilesFound() const { return m_filesFound; }
    const CModeData& Mode() const { return m_mode; }
    // True once the crawl stopped because a bound of the core's CrawlBounds was reached.
    bool StoppedAtBound() const { return m_stoppedAtBound; }
    // Why the start page could not be read; empty when it was read (or the browse was
    // cancelled first).
    const std::string& StartPageProblem() const { return m_startPageProblem; }

private:
    // The follow rules of the mode and the current options snapshot.
    CFollowRules MakeRules() const;
    // Reads the page and handles its links; BrowsePage then lets go of the page's hold.
    void ReadPage(const CUrlHold& page, CUrlQueue& localQueue, CUrlQueue& externalQueue,
                  CTransfer* started, const std::function<void()>& bodyRead,
                  const CScannedPage* scanned);
    // Keeps the decision on the store's record of a page the thread holds.
    void DecidePage(const CUrl& page, const CDecision& decision);
    // Gives up a page's hold; keeps its decision apart when nothing else kept the page.
    void LetGoPage(CUrlHold page);
    // Decides the pages a cancel left in the queue from position from on and lets them go.
    void LetGoUnbrowsed(CUrlQueue& queue, std::size_t from);
    void HandleLink(std::string& value, const CUrl& page, const CUrl& base, CUrlQueue& localQueue,
                    CUrlQueue& externalQueue);
    // The same for a value that is resolved already. foundOn, when given, is where the link was
    // found when that is not the page itself (a sitemap).
    void HandleResolvedLink(std::string& value, const CUrl& page, CUrlQueue& localQueue,
                            CUrlQueue& externalQueue, const std::string* foundOn = nullptr);
    // With "read the site's sitemap", in a mode that follows the site's pages: the pages and
    // files of the start site's sitemaps, handled as links of its start page (page).
    void ReadSitemaps(const CUrl& page, CUrlQueue& localQueue, CUrlQueue& externalQueue);
    // A link whose answer is no page: listed (or queued) when its type is wanted. Keeps the
    // decision on the record.
    void ListByType(const CUrlHold& hold, std::string_view contentType,
                    std::string_view dispositionName);
    // Lists or queues a wanted file the thread holds.
    void ListFile(const CUrlHold& file);
    // A link of page kind that is not followed: with "ask the type", true when it waits to be
    // asked after the page's scan (the thread keeps its hold until then).
    bool WaitsToBeAsked(CUrlHold& hold, const std::string& value, const CDecision& asPage,
                        const CDecision& decision);
    // Asks the server the type of the links that wait, several at once, HEAD first and GET
    // where HEAD is refused; lists those of a wanted type, then lets every one go.
    void AskTypes(const CUrl& page);
    // Keeps the decision of a link that is not queued and gives up the thread's hold.
    void LetGoLink(CUrlHold hold, const std::string& value, std::string_view foundOn,
                   const CDecision& decision);
    void QueueForDownload(const CUrlHold& file);
    // Before each page: true once a structure that grows with the links met holds its bound.
    bool ReachedBound();
    // Stops the crawl at bound: no further page, nothing more added.
    void StopAtBound(std::size_t bound);
    // What a page that is left unread was decided: cancelled, or stopped at the bound.
    CDecision UnreadDecision() const;

    CTrawlerCore& m_core;
    CModeData m_mode;
    int m_depth = 0;
    // The record of the browse's own site while its page is read; a failed read is counted.
    const CUrl* m_startPage = nullptr;
    std::string m_startPageProblem;
    std::uint32_t m_pagesRead = 0;
    std::uint32_t m_filesFound = 0;
    bool m_stoppedAtBound = false;
    std::uint32_t m_bound = 0;
    CTextSet m_visited;
    // The start page of the site being explored: where it is answered decides the site.
    const CUrl* m_siteStart = nullptr;
    // The URL of the site being explored: the site tree shows the pages found on it under it.
    std::string m_treeParent;
    // Where the browse's start page was answered (its own URL without a redirect).
    std::string m_startAnswered;
    // What robots.txt allows, site by site.
    CRobotsGate m_robots{m_core};
    // The options for the page being browsed; a snapshot, so they never change under a page.
    std::shared_ptr<const COptions> m_options;
    // Made anew with each snapshot of the options.
    CFollowRules m_rules;
    // The URL text of the page whose links are handled, shared as their referer.
    std::shared_ptr<const std::string> m_referer;
    // Links of the page being read that wait to be asked for their type.
    struct CAskedLink
    {
        CUrlHold hold;
        std::string value;
        CDecision decision;
        std::shared_ptr<const std::string> foundOn;
    };
    std::vector<CAskedLink> m_toAsk;
    // Scans large pages read ahead while an earlier one is worked on; made for the first such
    // page.
    std::unique_ptr<CPageScanAhead> m_scanAhead;
};
