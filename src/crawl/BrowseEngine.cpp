#include "crawl/BrowseEngine.h"

#include "core/TrawlerCore.h"
#include "crawl/CrawlSummary.h"
#include "crawl/SiteBrowser.h"
#include "platform/EventPoster.h"
#include "settings/LogFile.h"
#include "url/Url.h"

#include <stop_token>

namespace
{

void BrowseThreadProc(CTrawlerCore& core, CUrlHold site, std::unique_ptr<CModeData> mode,
                      std::stop_token stop)
{
    // Closing the engine cancels the browse as "Cancel Browse" does.
    const std::stop_callback cancelOnStop(stop,
                                          [&core]
                                          {
                                              core.m_cancelBrowse.store(true);
                                              core.WakeTransferWaits();
                                          });
    {
        CSiteBrowser browser(core, *mode);
        // The site record may be gone once it has been explored: keep its text.
        const std::string siteUrl = site->m_url;
        core.m_events.Post(CStatusTextEvent{"Browsing " + siteUrl});
        {
            // Two lines a page: they go out before the thread waits, not one by one, and all of
            // them before the run can be seen to end.
            const CLogFile::CHold holdLines(core.m_log);
            browser.Explore(std::move(site));
        }
        const auto running = static_cast<std::int32_t>(core.m_threads.EndWork().left);
        core.m_events.Post(CRunningBrowsesEvent{running});
        // A crawl stopped at a bound leaves that message as the last word.
        CBrowseFinishedEvent finished{
            siteUrl, browser.PagesRead(), browser.FilesFound(), {}, browser.StartPageProblem()};
        if (!finished.problem.empty())
            finished.summary = UnreadStartSummary(siteUrl, finished.problem);
        else if (!browser.StoppedAtBound())
            finished.summary =
                CrawlSummary(siteUrl, browser.PagesRead(), browser.FilesFound(),
                             core.m_cancelBrowse.load(), core.Options()->m_fileTypes);
        core.m_events.Post(std::move(finished));
        mode.reset();
    }
    // The next browse starts without this one's cancel once none runs.
    if (core.RunningBrowses() == 0)
        core.m_cancelBrowse.store(false);
}

} // namespace

void StartBrowse(CTrawlerCore& core, CUrlHold site, std::unique_ptr<CModeData> mode)
{
    if (core.RunningBrowses() == 0)
    {
        core.RearmCrawlBoundReport();
        // A new run reads each site's robots.txt again.
        core.m_robots.Clear();
        core.m_pacing.Clear();
    }
    // Counted from here until the browse ends, so that the count never misses it.
    if (!core.m_threads.Start(
            CWorkerThreads::EKind::Browse,
            [&core, site = std::move(site), mode = std::move(mode)](std::stop_token stop) mutable
            { BrowseThreadProc(core, std::move(site), std::move(mode), stop); }))
        return;
    const auto running = static_cast<std::int32_t>(core.RunningBrowses());
    core.m_events.Post(CRunningBrowsesEvent{running});
}

bool WaitForBrowseThreads(CTrawlerCore& core, std::chrono::milliseconds budget)
{
    return core.m_threads.WaitForThreads(CWorkerThreads::EKind::Browse, budget);
}
