#include "crawl/CrawlFixture.h"
#include "crawl/WhyLookup.h"
#include "support/FileBytes.h"

#include <chrono>
#include <thread>

namespace
{

std::string Links(const std::vector<std::string>& hrefs)
{
    std::string html;
    for (const std::string& href : hrefs)
        html += "<a href=\"" + href + "\">x</a>\n";
    return html;
}

int Occurrences(const std::string& text, const std::string& part)
{
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// A site whose start page links pages and files in and out of what its robots.txt allows,
// crawled with "obey robots.txt" on.
class RobotsCrawl : public CCrawlTest
{
protected:
    void SetUp() override
    {
        CCrawlTest::SetUp();
        m_core->m_options.m_fileTypes = "ZIP";
        m_core->m_options.m_obeyRobots = true;
        // A robots.txt that keeps failing is tried once: the test is about what follows.
        m_core->m_options.m_connectRetries = 0;
        m_core->PublishOptions();
    }

    // The site's pages and files; robots.txt is the caller's.
    static void Declare(CTestSite& site)
    {
        site.Page("/index.htm", Links({"a.htm", "private/p.htm", "private/open/o.htm",
                                       "private/f.zip", "run.cgi", "files/ok.zip"}));
        site.Page("/private/start.htm", Links({"secret.htm", "open/o2.htm"}));
        for (const char* page : {"/a.htm", "/private/p.htm", "/private/open/o.htm", "/run.cgi",
                                 "/private/secret.htm", "/private/open/o2.htm"})
            site.Page(page, "");
        site.File("/private/f.zip", 10);
        site.File("/files/ok.zip", 10);
    }
    static void Robots(CTestSite& site, int status, const std::string& body)
    {
        CTestSite::CResource robots;
        robots.status = status;
        robots.body = body;
        robots.contentType = "text/plain";
        site.Put("/robots.txt", robots);
    }

    std::string Log() { return ReadFileBytes(m_dir.File("hvstr.log")); }
};

constexpr const char* kRules = "User-agent: *\n"
                               "Disallow: /\n"
                               "\n"
                               "User-agent: Hvstr152\n"
                               "Disallow: /private/\n"
                               "Allow: /private/open/\n"
                               "Disallow: /*.cgi$\n";

TEST_F(RobotsCrawl, TheAgentsGroupDecidesWhatIsReadAndListed)
{
    CTestSite site;
    Declare(site);
    Robots(site, 200, kRules);
    Crawl(site.Url("/index.htm"), 1);

    EXPECT_EQ(site.Gets(), (std::vector<std::string>{"/robots.txt", "/index.htm", "/a.htm",
                                                     "/private/open/o.htm"}));
    EXPECT_EQ(ListUrls(), std::vector<std::string>{site.Url("/files/ok.zip")});
    const std::string foundOn = " Found on " + site.Url("/index.htm") + ".";
    EXPECT_EQ(WhyAnswer(*m_core, site.Url("/private/p.htm")),
              "Not followed: disallowed by robots.txt (rule /private/)." + foundOn);
    EXPECT_EQ(WhyAnswer(*m_core, site.Url("/private/f.zip")),
              "Not listed: disallowed by robots.txt (rule /private/)." + foundOn);
    EXPECT_EQ(WhyAnswer(*m_core, site.Url("/run.cgi")),
              "Not followed: disallowed by robots.txt (rule /*.cgi$)." + foundOn);
    EXPECT_EQ(m_core->m_stats.m_robotsDisallowed, 3u);
    // Disallowed pages stay in the site tree, as pages that are not followed do.
    const auto tree = TreeUrls();
    EXPECT_NE(std::find(tree.begin(), tree.end(), site.Url("/private/p.htm")), tree.end());

    // A start page the user typed is read even where robots.txt disallows; its links are not.
    // The file is read once a run: the second browse is a run of its own.
    site.ClearRequests();
    Crawl(site.Url("/private/start.htm"), 1);
    EXPECT_EQ(site.Gets(), (std::vector<std::string>{"/robots.txt", "/private/start.htm",
                                                     "/private/open/o2.htm"}));
}

TEST_F(RobotsCrawl, WhatAnAnswerOtherThanRulesMeans)
{
    using Paths = std::vector<std::string>;
    const Paths all = {"/robots.txt",    "/index.htm",          "/a.htm",
                       "/private/p.htm", "/private/open/o.htm", "/run.cgi"};
    const Paths startOnly = {"/robots.txt", "/index.htm"};
    struct
    {
        int status;
        std::string body;
        Paths gets;
        CReason reason; // of /a.htm
    } cases[] = {
        {404, "", all, CReason::None},
        {403, "", all, CReason::None},
        {500, "", startOnly, CReason::RobotsUnreachable},
        {200, "User-agent: *\nDisallow: /\n", startOnly, CReason::RobotsDisallowed},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.status);
        CTestSite site;
        Declare(site);
        Robots(site, c.status, c.body);
        const std::size_t logBefore = Log().size();
        Crawl(site.Url("/index.htm"), 1);
        EXPECT_EQ(site.Gets(), c.gets);
        const auto a = ExplainLink(*m_core, site.Url("/a.htm"));
        ASSERT_TRUE(a.has_value());
        EXPECT_EQ(a->decision.reason, c.reason);
        // Only a file that could not be read has a log line, once for the whole site.
        const bool unreachable = c.reason == CReason::RobotsUnreachable;
        EXPECT_EQ(Occurrences(Log().substr(logBefore), "Could not read " + site.Url("/robots.txt") +
                                                           " (HTTP error 500!): nothing beyond the "
                                                           "start pages is read from that site\n"),
                  unreachable ? 1 : 0)
            << Log().substr(logBefore);
        if (unreachable)
        {
            EXPECT_EQ(WhyAnswer(*m_core, site.Url("/files/ok.zip")),
                      "Not listed: the site's robots.txt could not be read (the server answered "
                      "with HTTP status 500), so nothing beyond the start pages is read from the "
                      "site. Found on " +
                          site.Url("/index.htm") + ".");
        }
    }
}

TEST_F(RobotsCrawl, CrawlDelaySpacesThePageReadsOfTheSite)
{
    CTestSite site;
    site.Page("/index.htm", Links({"a.htm", "b.htm", "c.htm"}));
    for (const char* page : {"/a.htm", "/b.htm", "/c.htm"})
        site.Page(page, "");
    Robots(site, 200, "User-agent: *\nCrawl-delay: 0.3\n");
    // Four pages at once would send a.htm to c.htm together without the delay.
    auto mode = GetMode(1, m_core->m_options);
    mode->m_reserved = 4;
    Crawl(site.Url("/index.htm"), std::move(mode));

    ASSERT_EQ(site.Gets(), (std::vector<std::string>{"/robots.txt", "/index.htm", "/a.htm",
                                                     "/b.htm", "/c.htm"}));
    const auto times = site.RequestTimes();
    for (std::size_t i = 1; i < times.size(); ++i)
        EXPECT_GE(times[i] - times[i - 1], std::chrono::milliseconds(250)) << "request " << i;
}

TEST_F(RobotsCrawl, CancelEndsTheWaitForTheNextTurnAtOnce)
{
    CTestSite site;
    site.Page("/index.htm", "");
    Robots(site, 200, "User-agent: *\nCrawl-delay: 60\n");
    CUrlHold start = m_core->m_urlStore.Add(m_core->NewRecord(site.Url("/index.htm")));
    m_core->m_sites.AddLocked(start);
    StartBrowse(*m_core, std::move(start), GetMode(1, m_core->m_options));
    ASSERT_TRUE(WaitFor([&] { return !site.Gets().empty(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto cancelled = std::chrono::steady_clock::now();
    // As the engine's Cancel Browse does.
    m_core->m_cancelBrowse.store(true);
    m_core->m_pacing.Wake();
    ASSERT_TRUE(WaitForBrowseThreads(*m_core, std::chrono::seconds(30)));
    EXPECT_LT(std::chrono::steady_clock::now() - cancelled, std::chrono::seconds(2));
    EXPECT_EQ(site.Gets(), std::vector<std::string>{"/robots.txt"});
}

} // namespace
