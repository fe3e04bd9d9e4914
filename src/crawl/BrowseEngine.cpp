#include "crawl/BrowseEngine.h"

#include "core/TrawlerCore.h"
#include "crawl/CrawlSummary.h"
#include "crawl/SiteBrowser.h"
#include "platform/FrameMessages.h"
#include "settings/LogFile.h"
#include "url/Url.h"

#include <system_error>
#include <thread>

namespace
{

void BrowseThreadProc(CTrawlerCore& core, CUrlHold site, std::unique_ptr<CModeData> mode)
{
    {
        CSiteBrowser browser(core, *mode);
        // The site record may be gone once it has been explored: keep its text.
        const std::string siteUrl = site->m_url;
        core.m_frame.PostToMainFrame(WM_SET_STATUS, STATUS_TEXT,
                                     CFramePayload::Text("Browsing " + siteUrl));
        {
            // Two lines a page: they go out before the thread waits, not one by one, and all of
            // them before the run can be seen to end.
            const CLogFile::CHold holdLines(core.m_log);
            browser.Explore(std::move(site));
        }
        const std::int32_t running = --core.m_runningBrowses;
        core.m_frame.PostToMainFrame(WM_SET_STATUS, STATUS_BROWSERS, CFramePayload::Value(running));
        // A crawl stopped at a bound leaves that message as the last word.
        if (!browser.StoppedAtBound())
            core.m_frame.PostToMainFrame(
                WM_SET_STATUS, STATUS_TEXT,
                CFramePayload::Text(CrawlSummary(siteUrl, browser.PagesRead(), browser.FilesFound(),
                                                 core.m_cancelBrowse.load(),
                                                 core.Options()->m_fileTypes)));
        mode.reset();
    }
}

} // namespace

void StartBrowse(CTrawlerCore& core, CUrlHold site, std::unique_ptr<CModeData> mode)
{
    // Counted before the thread runs, so that its end can never make the count negative.
    const std::int32_t running = ++core.m_runningBrowses;
    if (running == 1)
        core.RearmCrawlBoundReport();
    ++core.m_threadsAlive;
    try
    {
        std::thread(
            [&core, site = std::move(site), mode = std::move(mode)]() mutable
            {
                BrowseThreadProc(core, std::move(site), std::move(mode));
                --core.m_threadsAlive; // the thread touches nothing of the core after this
            })
            .detach();
    }
    catch (const std::system_error&)
    {
        --core.m_threadsAlive;
        --core.m_runningBrowses;
        return;
    }
    core.m_frame.PostToMainFrame(WM_SET_STATUS, STATUS_BROWSERS, CFramePayload::Value(running));
}

bool WaitForBrowseThreads(CTrawlerCore& core, std::chrono::milliseconds budget)
{
    const auto deadline = std::chrono::steady_clock::now() + budget;
    while (core.m_liveBrowsers.load() != 0 || core.m_runningBrowses.load() != 0)
    {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}
