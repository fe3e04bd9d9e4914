#include "CrawlFixture.h"
#include "LoginPrompts.h"
#include "net/UrlTransfers.h"

#include <thread>

namespace
{

// Two browses of one node and Determine File Size on it, all at once: each transfer keeps its
// headers and login answer to itself, so the shared record sees no data race.
TEST_F(CCrawlTest, TwoBrowsesAndASizeCheckOfOneRecordAtOnce)
{
    CLoginPrompts prompts("u", "p");
    m_frame.SetPrompts(&prompts);
    CTestSite site;
    CTestSite::CResource page;
    page.body = "<a href=a.zip>";
    page.lastModified = "Tue, 15 Nov 1994 08:12:31 GMT";
    page.authorization = "Basic dTpw";
    page.delay = std::chrono::milliseconds(20); // long enough for the three transfers to overlap
    site.Put("/", page);

    for (int round = 0; round < 3; ++round)
    {
        CUrlHold hold = m_core->m_urlStore.Add(m_core->NewRecord(site.Url("/")));
        m_core->m_sites.AddLocked(hold);
        CUrl* url = hold.Get(); // the tree mark keeps it
        StartBrowse(*m_core, m_core->m_urlStore.Hold(url->m_url), GetMode(0, m_core->m_options));
        StartBrowse(*m_core, std::move(hold), GetMode(0, m_core->m_options));
        std::thread sizing([&] { DetermineSize(*url, m_core->TransferContext()); });
        sizing.join();
        ASSERT_TRUE(WaitForBrowseThreads(*m_core, std::chrono::seconds(60)));
        EXPECT_TRUE(url->m_usable);
        ClearViews();
        m_core->m_connections.DropConnection(CUrl(site.Url("/")));
    }
    EXPECT_EQ(m_core->m_urlStore.AllocatedUrls(), 0);
    m_frame.SetPrompts(nullptr);
}

} // namespace
