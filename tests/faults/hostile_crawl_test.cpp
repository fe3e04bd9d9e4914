#include "HostileFixture.h"
#include "support/WaitFor.h"
#include "url/Url.h"

namespace
{

using CHostileCrawl = CHostileTest;

// Each hostile page as the start page of a "Find files on Page" crawl: the crawl ends with the
// page's own outcome in the log, and only the views hold records afterwards.
TEST_F(CHostileCrawl, EachPageAloneEndsWithItsOutcome)
{
    for (const CHostileResource& page : m_site.Pages())
    {
        const std::string url = m_site.UrlOf(page);
        Crawl(url, 0);
        ExpectPageLines(Log(), url, page);
        ExpectNothingLeftAfterClearing();
    }
    EXPECT_EQ(m_core->RunningBrowses(), 0u);
    EXPECT_FALSE(m_core->m_threads.AnyThreadRunning());
}

// "Find files on Site" from the start page reads every hostile page, lists every file the
// pages link where a sound reader finds it, and nothing that lies beyond a NUL byte, beyond
// the announced length or in a link too long to keep.
TEST_F(CHostileCrawl, FindFilesOnSiteReadsEveryPage)
{
    Crawl(m_site.Url("/"), 1);

    const std::string log = Log();
    ExpectPageLines(log, m_site.Url("/"), CHostileResource{"/", EHostileOutcome::kRead});
    for (const CHostileResource& page : m_site.Pages())
        ExpectPageLines(log, m_site.UrlOf(page), page);
    const std::set<std::string> listed = Listed();
    for (const std::string& url : m_site.FilesLinkedFromPages())
        EXPECT_EQ(listed.count(url), 1u) << url;
    // A link of another scheme is never a file to fetch.
    for (const CHostileResource& file : m_site.Files())
        EXPECT_EQ(listed.count(m_site.UrlOf(file)), HasTransferScheme(m_site.UrlOf(file)) ? 1u : 0u)
            << file.path;
    for (const std::string& url : m_site.FilesNeverFound())
        EXPECT_EQ(listed.count(url), 0u) << url;
    // The page links of the 10 000-link page fill the rest of the local maximum.
    EXPECT_EQ(m_site.Server().Requests("/p/0.htm"), 1);
    EXPECT_EQ(m_site.Server().Requests("/p/4999.htm"), 0);
    for (const std::string& site : m_site.ExternalSites())
        EXPECT_FALSE(Holds(log, "Browsing " + site)) << "other sites are not explored";
    ExpectNothingLeftAfterClearing();
}

// "Find files from Links" reads the start page and five of its pages, then tries the other
// sites, which cannot be reached.
TEST_F(CHostileCrawl, FindFilesFromLinksTriesTheUnreachableSites)
{
    Crawl(m_site.Url("/"), 2);

    const std::string log = Log();
    for (std::size_t i = 0; i < 5; ++i)
        ExpectPageLines(log, m_site.UrlOf(m_site.Pages()[i]), m_site.Pages()[i]);
    EXPECT_FALSE(Holds(log, "Browsing " + m_site.UrlOf(m_site.Pages()[5])));
    for (const std::string& site : m_site.ExternalSites())
        ExpectPageLines(log, site, CHostileResource{site, EHostileOutcome::kConnectionProblem});
    ExpectNothingLeftAfterClearing();
}

// With a long time-out, a crawl caught in stalled pages still ends at once on cancel, and
// leaves no record behind.
TEST_F(CHostileCrawl, CancelEndsACrawlWaitingForAStalledServer)
{
    SetTimeout(120);
    CUrlHold site = m_core->m_urlStore.Add(m_core->NewRecord(m_site.Url("/")));
    m_core->m_sites.AddLocked(site);
    // The start page links the page that stalls before its headers first.
    StartBrowse(*m_core, std::move(site), GetMode(1, m_core->m_options));
    ASSERT_TRUE(
        WaitFor([&] { return m_site.Server().StallsBegun() > 0; }, std::chrono::seconds(30)));
    m_core->m_cancelBrowse = true;
    ASSERT_TRUE(WaitForBrowseThreads(*m_core, std::chrono::seconds(30)));
    EXPECT_FALSE(Holds(Log(), "connection problem")) << "a cancel is no failure";
    EXPECT_FALSE(Holds(Log(), "Finished browsing " + m_site.Url("/stall-head.htm")));
    ExpectNothingLeftAfterClearing();
}

} // namespace
