#include "crawl/CrawlFixture.h"

namespace
{

// Three hosts on loopback addresses: the start site links pages, files, a parent directory and
// the second site, which links the third.
class BrowseModes : public CCrawlTest
{
protected:
    void SetUp() override
    {
        CCrawlTest::SetUp();
        m_a.Page("/index.htm",
                 "<html><body>\r\n<A HREF=\"a.htm\">a</A>\t<a href=\"sub/b.htm\">b</a>"
                 "<a href=/files/x.zip>x</a> <a href=\"y.EXE\">y</a>"
                 "<img border=0 src=\"pic.gif\"><a href=\"../up.htm\">up</a>"
                 "<a href=\"" +
                     m_b.Url("/ext.htm") +
                     "\">ext</a>"
                     "<a href=\"mailto:me@h\">m</a><a href=\"sub/\">dir</a></body>");
        m_a.Page("/a.htm", "<a href=\"c.htm\"></a><a href=\"/files/z.mp3\"></a>");
        m_a.Page("/sub/b.htm", "<a href=\"../parent.htm\"></a><a href=\"d.htm\"></a>");
        m_a.Page("/up.htm", "up");
        m_a.Page("/sub/", "listing");
        m_a.Page("/c.htm", "c");
        m_a.Page("/sub/d.htm", "d");
        m_a.Page("/parent.htm", "parent");
        m_b.Page("/ext.htm", "<a href=\"" + m_c.Url("/deep.htm") + "\"></a><a href=\"e.zip\"></a>");
        m_c.Page("/deep.htm", "<a href=\"deep.zip\"></a>");
    }

    std::vector<std::string> Paths(std::initializer_list<const char*> paths)
    {
        return std::vector<std::string>(paths.begin(), paths.end());
    }

    CTestSite m_a{"127.0.0.1"};
    CTestSite m_b{"127.0.0.2"};
    CTestSite m_c{"127.0.0.3"};
};

TEST_F(BrowseModes, FindFilesOnPageReadsOnlyTheStartPage)
{
    Crawl(m_a.Url("/index.htm"), 0);

    EXPECT_EQ(m_a.Gets(), Paths({"/index.htm"}));
    EXPECT_TRUE(m_b.Gets().empty());
    const std::vector<std::string> tree = {m_a.Url("/a.htm"),  m_a.Url("/index.htm"),
                                           m_a.Url("/sub/"),   m_a.Url("/sub/b.htm"),
                                           m_a.Url("/up.htm"), m_b.Url("/ext.htm")};
    EXPECT_EQ(TreeUrls(), tree);
    EXPECT_EQ(ListUrls(), (std::vector<std::string>{m_a.Url("/files/x.zip"), m_a.Url("/y.EXE")}));
    EXPECT_EQ(m_core->m_stats.m_browsedSites, 1u);
    EXPECT_EQ(m_core->m_stats.m_foundFiles, 3u) << "x.zip, y.EXE and pic.gif";
}

TEST_F(BrowseModes, FindFilesOnSiteReadsTheSiteBreadthFirstBelowEachPage)
{
    Crawl(m_a.Url("/index.htm"), 1);

    // parent.htm lies above /sub/, where it was found: shown, not read.
    EXPECT_EQ(m_a.Gets(), Paths({"/index.htm", "/a.htm", "/sub/b.htm", "/up.htm", "/sub/", "/c.htm",
                                 "/sub/d.htm"}));
    EXPECT_TRUE(m_b.Gets().empty());
    const auto tree = TreeUrls();
    EXPECT_NE(std::find(tree.begin(), tree.end(), m_a.Url("/parent.htm")), tree.end());
    EXPECT_EQ(ListUrls(), (std::vector<std::string>{m_a.Url("/files/x.zip"),
                                                    m_a.Url("/files/z.mp3"), m_a.Url("/y.EXE")}));
    EXPECT_EQ(m_core->m_stats.m_browsedSites, 7u);
}

TEST_F(BrowseModes, FindFilesFromLinksExploresOtherSitesOneLevelDeep)
{
    Crawl(m_a.Url("/index.htm"), 2);

    EXPECT_EQ(m_a.Gets().size(), 6u) << "the start page and five more";
    EXPECT_EQ(m_b.Gets(), Paths({"/ext.htm"}));
    EXPECT_TRUE(m_c.Gets().empty()) << "depth 2 ends at the second site";
    const auto list = ListUrls();
    EXPECT_NE(std::find(list.begin(), list.end(), m_b.Url("/e.zip")), list.end());
}

TEST_F(BrowseModes, LimitsOfTheMode)
{
    struct
    {
        int local;
        bool parents;
        std::uint32_t externalMax;
        int depth;
        std::vector<std::string> gets;
        std::size_t secondSite;
        std::size_t thirdSite;
    } cases[] = {
        {0, true, 0, 1, {"/index.htm"}, 0, 0},
        {3, false, 0, 1, {"/index.htm", "/a.htm", "/sub/b.htm", "/up.htm"}, 0, 0},
        {200,
         true,
         0,
         1,
         {"/index.htm", "/a.htm", "/sub/b.htm", "/up.htm", "/sub/", "/c.htm", "/parent.htm",
          "/sub/d.htm"},
         0,
         0},
        {0, false, 4294967295u, 3, {"/index.htm"}, 1, 1},
        {0, false, 4294967295u, 2, {"/index.htm"}, 1, 0},
    };
    for (const auto& c : cases)
    {
        m_a.ClearRequests();
        m_b.ClearRequests();
        m_c.ClearRequests();
        Crawl(m_a.Url("/index.htm"), Mode(c.local, c.parents, true, c.externalMax, c.depth));
        EXPECT_EQ(m_a.Gets(), c.gets) << "local maximum " << c.local;
        EXPECT_EQ(m_b.Gets().size(), c.secondSite) << "depth " << c.depth;
        EXPECT_EQ(m_c.Gets().size(), c.thirdSite) << "depth " << c.depth;
    }
}

TEST_F(BrowseModes, BaseTagOnAnotherHostMakesLinksExternal)
{
    m_a.Page("/based.htm", "<a href=\"other/x.htm\"></a><base href=\"" + m_b.Url("/") + "\">");
    m_b.Page("/other/x.htm", "<a href=\"f.zip\"></a>");
    Crawl(m_a.Url("/based.htm"), Mode(10, false, true, 10, 2));

    EXPECT_EQ(m_a.Gets(), Paths({"/based.htm"}));
    EXPECT_EQ(m_b.Gets(), Paths({"/other/x.htm"}));
    EXPECT_EQ(ListUrls(), std::vector<std::string>{m_b.Url("/other/f.zip")});
}

TEST_F(BrowseModes, OneRecordPerLinkAndTwoThreadsOnOneSite)
{
    // Path case counts (most servers tell the names apart); a fragment, an escape of a letter
    // and the scheme's case do not.
    m_a.Page("/dup.htm", "<a href=\"a.htm\"></a><a href=\"A.HTM\"></a><a href=\"a.htm#x\"></a>"
                         "<a href=\"%61.htm\"></a><a href=\"HTTP:" +
                             m_a.Url("/x.zip").substr(5) +
                             "\"></a><a href=\"x.zip\"></a><a href=\"X.ZIP\"></a>");
    m_a.Page("/x.zip", "zip");
    Crawl(m_a.Url("/dup.htm"), 0);
    EXPECT_EQ(TreeUrls(), (std::vector<std::string>{m_a.Url("/A.HTM"), m_a.Url("/a.htm"),
                                                    m_a.Url("/dup.htm")}));
    EXPECT_EQ(ListUrls(), (std::vector<std::string>{m_a.Url("/X.ZIP"), m_a.Url("/x.zip")}));
    EXPECT_EQ(m_core->m_stats.m_foundSites, 4u) << "a.htm, A.HTM, x.zip and X.ZIP";

    // A second and third thread on the same site read every page again but add no node twice.
    m_a.ClearRequests();
    for (int i = 0; i < 2; ++i)
    {
        CUrlHold site = HoldNew(m_core->m_urlStore, m_a.Url("/index.htm"));
        m_core->m_sites.AddLocked(site);
        StartBrowse(*m_core, std::move(site), GetMode(1, m_core->m_options));
    }
    ASSERT_TRUE(WaitForBrowseThreads(*m_core, std::chrono::seconds(60)));
    EXPECT_EQ(m_a.Gets().size(), 14u);
    const auto tree = TreeUrls();
    EXPECT_EQ(std::adjacent_find(tree.begin(), tree.end()), tree.end()) << "no node twice";
    EXPECT_EQ(m_list.m_duplicates.load(), 0);
}

TEST_F(BrowseModes, CountersAndRecordsComeBackAfterACrawl)
{
    Crawl(m_a.Url("/index.htm"), 2);
    EXPECT_EQ(m_core->RunningBrowses(), 0u);
    EXPECT_FALSE(m_core->m_threads.AnyThreadRunning());
    EXPECT_GT(m_core->m_urlStore.AllocatedUrls(), 0);
    ClearViews();
    EXPECT_EQ(m_core->m_urlStore.AllocatedUrls(), 0) << "only the views held records";
    EXPECT_EQ(m_frame.Count<CRunningBrowsesEvent>(), 2) << "start and end";
    EXPECT_EQ(m_frame.PageStates(kPageImageReading), m_frame.PageStates(kPageImageDone));
    EXPECT_GT(
        m_frame.Count<CProgressStepEvent>([](const CProgressStepEvent& e) { return e.steps == 1; }),
        0);
}

} // namespace
