#include "crawl/CrawlFixture.h"
#include "crawl/LoginPrompts.h"
#include "support/FileBytes.h"
#include "support/WaitFor.h"

#include <filesystem>
#include <map>

// Resources are written with designated initializers that leave the other members as they are.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace
{

// A site of several directories: pages that link within their directory, down, up to pages
// that are not followed, to files, to a missing page, to a failing page and to each other twice.
class PagesInFlight : public CCrawlTest
{
protected:
    void SetUp() override
    {
        CCrawlTest::SetUp();
        std::string root = "<a href=gone.htm><a href=broken.htm>";
        for (const std::string d : {"0", "1", "2", "3"})
        {
            const std::string dir = "/d" + d + "/", next = std::to_string(std::stoi(d) + 1);
            root += "<a href=" + dir + "index.htm>";
            std::string index = "<a href=../index.htm><a href=deep/p.htm>";
            for (const std::string p : {"0", "1", "2", "3", "4", "5"})
            {
                index += "<a href=p" + p + ".htm>";
                AddPage(dir + "p" + p + ".htm",
                        "<a href=p" + std::to_string((std::stoi(p) + 1) % 6) + ".htm><a href=../d" +
                            next + "/p0.htm><a href=f" + p + ".zip><a href=/up" + p + ".htm>");
            }
            AddPage(dir + "index.htm", index);
            AddPage(dir + "deep/p.htm", "<a href=../p1.htm><a href=x.mp3>");
        }
        AddPage("/index.htm", root);
        m_site.Put("/broken.htm", {.status = 500});
        m_site.Put("/d2/p3.htm", {.body = "<a href=/c.zip>", .announceLength = false});
    }
    void AddPage(const std::string& path, const std::string& html)
    {
        m_site.Put(path, {.body = "<html><body>" + html + "</body></html>",
                          .lastModified = "Tue, 15 Nov 1994 08:12:31 GMT"});
        m_paths.push_back(path);
        m_html.push_back(html);
    }
    // Large pages are scanned on a second thread when several are read at once: every page
    // gets 20 KB of text, and a keyword before its links, after them or nowhere.
    void MakePagesLarge()
    {
        const std::string text = "<p>" + std::string(20 * 1024, 'w') + "</p>";
        for (std::size_t i = 0; i < m_paths.size(); ++i)
        {
            const std::string html =
                (i % 3 == 0 ? "needle " : "") + m_html[i] + text + (i % 3 == 1 ? " NEEDLE" : "");
            m_site.Put(m_paths[i], {.body = "<html><body>" + html + "</body></html>",
                                    .lastModified = "Tue, 15 Nov 1994 08:12:31 GMT"});
        }
        m_keywords = {"needle"};
    }
    std::unique_ptr<CModeData> SiteMode(int pagesAtOnce, bool onlyIfModified = false)
    {
        auto mode = Mode(1000, false, false, 0, 1);
        mode->m_reserved = pagesAtOnce;
        mode->m_onlyIfModified = onlyIfModified;
        return mode;
    }

    // Everything a crawl on a fresh core shows, a line each. The requests are sorted: pages in
    // flight may reach the server in another order, never as other requests.
    std::vector<std::string> CrawlSite(int pagesAtOnce, bool onlyIfModified)
    {
        ClearViews();
        TearDown();
        for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path()))
            std::filesystem::remove_all(entry.path());
        CCrawlTest::SetUp();
        m_core->m_options.m_keywords = m_keywords;
        m_core->PublishOptions();
        m_site.ClearRequests();
        // With "only if modified" a third of the pages is unchanged, a third changed, a third new.
        for (std::size_t i = 0; i < m_paths.size(); ++i)
        {
            if (i % 3 != 2)
                m_core->m_histories.m_urlHistory.Add(
                    m_site.Url(m_paths[i]), i % 3 ? CCalendarTime{1994, 11, 3, 16, 8, 12, 31, 0}
                                                  : CCalendarTime{1994, 11, 2, 15, 8, 12, 31, 0});
        }
        Crawl(m_site.Url("/index.htm"), SiteMode(pagesAtOnce, onlyIfModified));
        std::vector<std::string> shown = m_site.Requests();
        std::sort(shown.begin(), shown.end());
        m_core->m_log.Close();
        shown.push_back(ReadFileBytes(m_dir.File("hvstr.log")));
        for (const auto& node : m_tree.Nodes())
            shown.push_back(node.parent + " > " + node.url);
        for (const auto& [url, size] : m_list.Items())
            shown.push_back(url + " " + size);
        const auto& stats = m_core->m_stats;
        for (const std::uint64_t counter : std::initializer_list<std::uint64_t>{
                 stats.m_foundSites.load(), stats.m_browsedSites.load(), stats.m_foundFiles.load(),
                 stats.m_receivedBytes.load()})
            shown.push_back(std::to_string(counter));
        return shown;
    }

    CTestSite m_site;
    std::vector<std::string> m_paths;
    std::vector<std::string> m_html;
    std::vector<std::string> m_keywords;
};

TEST_F(PagesInFlight, AnyNumberOfPagesAtOnceGivesTheOneAtATimeResult)
{
    for (const bool large : {false, true})
    {
        if (large)
            MakePagesLarge();
        for (const bool onlyIfModified : {false, true})
        {
            const std::vector<std::string> one = CrawlSite(1, onlyIfModified);
            const auto lines = [&](const char* part)
            {
                return std::count_if(one.begin(), one.end(),
                                     [&](const std::string& line)
                                     { return line.find(part) != std::string::npos; });
            };
            EXPECT_GT(lines("GET /") + lines("HEAD /"), 25);
            EXPECT_EQ(lines("HTTP error 500"), 1);
            EXPECT_EQ(lines("HTTP error 404"), 1);
            // Pages with the keyword are listed.
            if (large)
            {
                EXPECT_GE(std::count_if(one.begin(), one.end(),
                                        [](const std::string& line)
                                        {
                                            return line.starts_with("http") &&
                                                   line.find(".htm ") != std::string::npos &&
                                                   line.find(" > ") == std::string::npos;
                                        }),
                          5);
            }
            for (const int pagesAtOnce : {0, 4, 16})
                EXPECT_EQ(CrawlSite(pagesAtOnce, onlyIfModified), one)
                    << pagesAtOnce << onlyIfModified << large;
        }
    }
}

TEST_F(PagesInFlight, CancelWithSixteenInFlightReturnsEveryRecord)
{
    std::string all;
    for (const auto& path : m_paths)
    {
        m_site.Put(path, {.body = "<a href=/z.zip>", .delay = std::chrono::milliseconds(1000)});
        all += "<a href=" + path + ">";
    }
    m_site.Page("/all.htm", all);
    CUrlHold site = m_core->m_urlStore.Add(m_core->NewRecord(m_site.Url("/all.htm")));
    m_core->m_sites.AddLocked(site);
    StartBrowse(*m_core, std::move(site), SiteMode(16));
    // The pages answer only after a second: wait until most of the sixteen are asked for at
    // once (a busy machine may be slow to open the last connections).
    ASSERT_TRUE(WaitFor([&] { return m_site.MostBusy() >= 12; }));
    m_core->m_cancelBrowse = true;
    ASSERT_TRUE(WaitForBrowseThreads(*m_core, std::chrono::seconds(60)));
    EXPECT_LT(m_site.Requests().size(), m_paths.size());
    ClearViews();
    EXPECT_EQ(m_core->m_urlStore.AllocatedUrls(), 0);
}

TEST_F(PagesInFlight, CancelWhileLargePagesAreScannedAheadReturnsEveryRecord)
{
    // Large pages of many links end while the thread waits for the slow first one, and go to
    // the second thread; the cancel comes while it scans them.
    std::string links;
    for (int i = 0; i < 3000; ++i)
        links += "<a href=l" + std::to_string(i) + ".htm>";
    std::string index = "<a href=/slow.htm>";
    for (const std::string i : {"1", "2", "3", "4", "5", "6"})
    {
        m_site.Page("/b" + i + ".htm", links);
        index += "<a href=/b" + i + ".htm>";
    }
    m_site.Put("/slow.htm", {.body = "<a href=s.zip>", .delay = std::chrono::milliseconds(1000)});
    m_site.Page("/start.htm", index);
    CUrlHold site = m_core->m_urlStore.Add(m_core->NewRecord(m_site.Url("/start.htm")));
    m_core->m_sites.AddLocked(site);
    StartBrowse(*m_core, std::move(site), SiteMode(8));
    ASSERT_TRUE(WaitFor([&] { return m_site.Requests().size() >= 8; }));
    m_core->m_cancelBrowse = true;
    ASSERT_TRUE(WaitForBrowseThreads(*m_core, std::chrono::seconds(60)));
    ClearViews();
    EXPECT_EQ(m_core->m_urlStore.AllocatedUrls(), 0);
}

TEST_F(PagesInFlight, ReadsThatEndWhileAnEarlierPageWaitsAreReplacedAtOnce)
{
    // The first page answers only once the fifth after it is asked for: with three at once,
    // that takes the reads that end meanwhile being replaced while the thread waits for it.
    std::string index = "<a href=/slow.htm>";
    for (const std::string i : {"1", "2", "3", "4", "5", "6"})
    {
        m_site.Page("/f" + i + ".htm", "<a href=f.zip>");
        index += "<a href=/f" + i + ".htm>";
    }
    m_site.Put("/slow.htm", {.body = "<a href=s.zip>", .awaitRequest = "GET /f5.htm"});
    m_site.Page("/start.htm", index);
    Crawl(m_site.Url("/start.htm"), SiteMode(3));
    EXPECT_EQ(m_site.AwaitsInVain(), 0);
    EXPECT_EQ(m_core->m_stats.m_browsedSites, 8u);
    EXPECT_LE(m_site.MostBusy(), 3) << "never more than three at once";
}

TEST_F(PagesInFlight, APageBehindALoginIsReadOnceAfterOnePrompt)
{
    CLoginPrompts prompts("ann", "secret");
    m_frame.SetPrompts(&prompts);
    std::string index;
    for (const std::string i : {"0", "1", "2", "3", "4"})
    {
        m_site.Put("/private/s" + i + ".htm",
                   {.body = "<a href=s.zip>", .authorization = "Basic YW5uOnNlY3JldA=="});
        index += "<a href=/private/s" + i + ".htm>";
    }
    m_site.Page("/login.htm", index);
    Crawl(m_site.Url("/login.htm"), SiteMode(4));
    EXPECT_EQ(prompts.asked.load(), 1);
    std::map<std::string, int> read;
    for (const std::string& path : m_site.Gets())
        ++read[path];
    for (const std::string i : {"0", "1", "2", "3", "4"})
        EXPECT_EQ(read["/private/s" + i + ".htm"], 1) << i;
    EXPECT_EQ(m_core->m_stats.m_browsedSites, 6u) << "every page read after the one prompt";
    m_frame.SetPrompts(nullptr);
}

} // namespace
