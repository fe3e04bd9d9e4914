#include "crawl/CrawlFixture.h"
#include "support/FileBytes.h"
#include "support/WaitFor.h"

#include <map>

namespace
{

constexpr const char* kDated = "Tue, 15 Nov 1994 08:12:31 GMT";
constexpr CCalendarTime kDatedTime{1994, 11, 2, 15, 8, 12, 31, 0};
constexpr CCalendarTime kOtherTime{1994, 11, 3, 16, 8, 12, 31, 0};

// Answers every login prompt with ann/secret and counts the prompts.
class CLoginPrompts : public CUnattendedPrompts
{
public:
    bool AskLogin(const std::string&, std::string& userName, std::string& password) override
    {
        ++asked;
        userName = "ann";
        password = "secret";
        return true;
    }
    std::atomic<int> asked{0};
};

// Everything a crawl shows, with the requests sorted: pages in flight may reach the server in
// another order, never as other requests.
struct CCrawlResult
{
    std::vector<std::string> requests;
    std::string log;
    std::vector<std::string> tree; // "parent URL > URL" in insertion order
    std::vector<std::string> list;
    std::vector<std::uint32_t> counters;

    friend bool operator==(const CCrawlResult&, const CCrawlResult&) = default;
};

// One crawl on a core of its own: fresh stores, histories, log and counters.
class CCrawlRun
{
public:
    CCrawlRun() : core(dir.Path().string(), dir.File("hvstr.log"))
    {
        EXPECT_TRUE(core.OpenSession("Hvstr152"));
        core.m_options.SetDefaults();
        core.PublishOptions();
        core.m_foundFiles.SetTarget(&list);
        core.m_sites.SetTarget(&tree);
        core.m_frame.InstallSink(&frame);
    }
    ~CCrawlRun() { core.m_frame.InstallSink(nullptr); }

    void Start(const std::string& url, const CModeData& mode)
    {
        auto* site = new CUrl(url, &core.m_histories.m_urlHistory);
        core.m_sites.AddLocked(*site);
        StartBrowse(core, site, std::make_unique<CModeData>(mode));
    }
    bool Wait() { return WaitForBrowseThreads(core, std::chrono::seconds(60)); }

    CCrawlResult Result(CTestSite& site)
    {
        CCrawlResult result;
        result.requests = site.Requests();
        std::sort(result.requests.begin(), result.requests.end());
        core.m_log.Close();
        result.log = ReadFileBytes(dir.File("hvstr.log"));
        std::map<CTreeNodeId, std::string> urlOf;
        for (const auto& node : tree.Nodes())
        {
            urlOf[node.id] = node.url;
            result.tree.push_back(urlOf[node.parent] + " > " + node.url);
        }
        for (const auto& [url, size] : list.Items())
            result.list.push_back(url + " " + size);
        result.counters = {core.m_stats.m_foundSites, core.m_stats.m_browsedSites,
                           core.m_stats.m_foundFiles, core.m_stats.m_receivedBytes};
        return result;
    }

    CTempDir dir;
    CMemoryFileList list;
    CMemorySiteTree tree;
    CRecordingFrame frame;
    CTrawlerCore core;
};

// A site of several directories: pages that link within their directory, down, up to pages
// that are not followed, to files, to a missing page, to a failing page and to each other twice.
class PagesInFlight : public testing::Test
{
protected:
    void SetUp() override
    {
        std::string root = "<a href=\"gone.htm\">x</a><a href=\"broken.htm\">x</a>";
        for (int d = 0; d < 4; ++d)
        {
            const std::string dir = "/d" + std::to_string(d) + "/";
            root += "<a href=\"" + dir + "index.htm\">d</a>";
            std::string index = "<a href=\"../index.htm\">up</a><a href=\"deep/p.htm\">deep</a>";
            for (int p = 0; p < 6; ++p)
            {
                const std::string name = "p" + std::to_string(p) + ".htm";
                index += "<a href=\"" + name + "\">p</a>";
                AddPage(dir + name, "<a href=\"p" + std::to_string((p + 1) % 6) +
                                        ".htm\"></a><a href=\"../d" + std::to_string(d + 1) +
                                        "/p0.htm\"></a><a href=\"f" + std::to_string(p) +
                                        ".zip\"></a><a href=\"/up" + std::to_string(p) +
                                        ".htm\"></a>");
            }
            AddPage(dir + "index.htm", index);
            AddPage(dir + "deep/p.htm", "<a href=\"../p1.htm\"></a><a href=\"x.mp3\"></a>");
        }
        AddPage("/index.htm", root);
        CTestSite::CResource broken;
        broken.status = 500;
        m_site.Put("/broken.htm", broken);
        CTestSite::CResource chunked;
        chunked.body = "<a href=\"/c.zip\"></a>";
        chunked.announceLength = false;
        m_site.Put("/d2/p3.htm", chunked);
    }

    void AddPage(const std::string& path, const std::string& html)
    {
        CTestSite::CResource page;
        page.body = "<html><body>" + html + "</body></html>";
        page.lastModified = kDated;
        m_site.Put(path, page);
        m_paths.push_back(path);
    }

    CModeData SiteMode(int pagesAtOnce, bool onlyIfModified = false)
    {
        CModeData mode;
        mode.m_localFollowMax = 1000;
        mode.m_maxDepth = 1;
        mode.m_onlyIfModified = onlyIfModified;
        mode.m_reserved = pagesAtOnce;
        return mode;
    }

    CCrawlResult Crawl(int pagesAtOnce, bool onlyIfModified)
    {
        m_site.ClearRequests();
        CCrawlRun run;
        // With "only if modified" a third of the pages is unchanged, a third changed, a third new.
        for (std::size_t i = 0; i < m_paths.size(); ++i)
        {
            if (i % 3 != 2)
                run.core.m_histories.m_urlHistory.Add(m_site.Url(m_paths[i]),
                                                      i % 3 == 0 ? kDatedTime : kOtherTime);
        }
        run.Start(m_site.Url("/index.htm"), SiteMode(pagesAtOnce, onlyIfModified));
        EXPECT_TRUE(run.Wait());
        return run.Result(m_site);
    }

    CTestSite m_site;
    std::vector<std::string> m_paths;
};

TEST_F(PagesInFlight, AnyNumberOfPagesAtOnceGivesTheOneAtATimeResult)
{
    for (const bool onlyIfModified : {false, true})
    {
        const CCrawlResult one = Crawl(1, onlyIfModified);
        EXPECT_GT(one.requests.size(), 25u);
        EXPECT_NE(one.log.find("HTTP error 500"), std::string::npos);
        EXPECT_NE(one.log.find("HTTP error 404"), std::string::npos);
        for (const int pagesAtOnce : {0, 4, 16})
        {
            const CCrawlResult many = Crawl(pagesAtOnce, onlyIfModified);
            EXPECT_EQ(many.requests, one.requests) << pagesAtOnce << " " << onlyIfModified;
            EXPECT_EQ(many.log, one.log) << pagesAtOnce << " " << onlyIfModified;
            EXPECT_EQ(many.tree, one.tree) << pagesAtOnce << " " << onlyIfModified;
            EXPECT_EQ(many.list, one.list) << pagesAtOnce << " " << onlyIfModified;
            EXPECT_EQ(many.counters, one.counters) << pagesAtOnce << " " << onlyIfModified;
        }
    }
}

TEST_F(PagesInFlight, CancelWithSixteenInFlightReturnsEveryRecord)
{
    std::string all;
    for (const auto& path : m_paths)
    {
        CTestSite::CResource slow;
        slow.body = "<a href=\"/z.zip\"></a>";
        slow.delay = std::chrono::milliseconds(1000);
        m_site.Put(path, slow);
        all += "<a href=\"" + path + "\"></a>";
    }
    m_site.Page("/all.htm", all);
    CCrawlRun run;
    run.Start(m_site.Url("/all.htm"), SiteMode(16));
    // The pages answer only after a second: wait until most of the sixteen are asked for at
    // once (a busy machine may be slow to open the last connections).
    ASSERT_TRUE(WaitFor([&] { return m_site.MostBusy() >= 12; }));
    run.core.m_cancelBrowse = true;
    ASSERT_TRUE(run.Wait());
    EXPECT_LT(m_site.Requests().size(), m_paths.size());
    run.tree.RemoveAll(run.core.m_urlStore);
    run.list.RemoveAll(run.core.m_urlStore);
    EXPECT_EQ(run.core.m_urlStore.AllocatedUrls(), 0);
}

TEST_F(PagesInFlight, APageBehindALoginIsReadOnceAfterOnePrompt)
{
    CLoginPrompts prompts;
    CTestSite::CResource secret;
    secret.body = "<a href=\"s.zip\"></a>";
    secret.authorization = "Basic YW5uOnNlY3JldA=="; // ann:secret
    std::string index;
    for (int i = 0; i < 5; ++i)
    {
        const std::string path = "/private/s" + std::to_string(i) + ".htm";
        m_site.Put(path, secret);
        index += "<a href=\"" + path + "\"></a>";
    }
    m_site.Page("/login.htm", index);

    CCrawlRun run;
    run.core.SetPrompts(&prompts);
    run.Start(m_site.Url("/login.htm"), SiteMode(4));
    ASSERT_TRUE(run.Wait());
    EXPECT_EQ(prompts.asked.load(), 1);
    std::map<std::string, int> read;
    for (const std::string& path : m_site.Gets())
        ++read[path];
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(read["/private/s" + std::to_string(i) + ".htm"], 1) << i;
    EXPECT_EQ(run.core.m_stats.m_browsedSites, 6u) << "every page read after the one prompt";
    run.core.SetPrompts(nullptr);
}

} // namespace
