#include "url/RobotsRules.h"

#include <gtest/gtest.h>

namespace
{

constexpr const char* kAgent = "Hvstr152/1.5 (Linux)";

// One robots.txt that a real site might write: groups for other robots, one for ours by a
// shorter name, the "*" group, and rules whose lengths decide between them.
constexpr const char* kSiteRobots = "\xEF\xBB\xBF# comments and blank lines are nothing\n"
                                    "User-agent: OtherBot\n"
                                    "Disallow: /\n"
                                    "\n"
                                    "User-agent: *\n"
                                    "Disallow: /everyone-else/\n"
                                    "\n"
                                    "user-agent: othercrawler\n"
                                    "USER-AGENT: hvstr   # ours, by the start of its name\n"
                                    "Disallow: /private/\n"
                                    "Allow: /private/open/\n"
                                    "Disallow: /*.cgi$\n"
                                    "Disallow: /tmp*/cache\n"
                                    "Allow: /same\n"
                                    "Disallow: /same\n"
                                    "Disallow:\n"
                                    "Disallow: /caf%c3%a9/\n"
                                    "Crawl-delay: 2.5\n"
                                    "Sitemap: http://h/one.xml\n"
                                    "User-agent: hvstr\n"
                                    "Disallow: /second-group/ # a later group of the same name\n";

struct MatchCase
{
    const char* path;
    bool allowed;
    const char* rule;
};

class RobotsMatch : public testing::TestWithParam<MatchCase>
{
};

TEST_P(RobotsMatch, LongestRuleOfTheAgentsGroupsDecides)
{
    static const CRobotsRules rules(kSiteRobots, kAgent);
    const MatchCase& c = GetParam();
    const CRobotsMatch match = rules.Match(c.path);
    EXPECT_EQ(match.allowed, c.allowed) << c.path;
    EXPECT_EQ(match.rule, c.rule) << c.path;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RobotsMatch,
    testing::Values(
        MatchCase{"/", true, ""},
        MatchCase{"/everyone-else/x", true, ""}, // the "*" group is not ours
        MatchCase{"/private", true, ""}, MatchCase{"/private/", false, "/private/"},
        MatchCase{"/private/a.zip", false, "/private/"},
        MatchCase{"/private/open/a.zip", true, ""}, // the longer Allow wins
        MatchCase{"/private/ope", false, "/private/"},
        MatchCase{"/Private/a", true, ""}, // paths keep their case
        MatchCase{"/run.cgi", false, "/*.cgi$"}, MatchCase{"/a/b/run.cgi", false, "/*.cgi$"},
        MatchCase{"/run.cgi?x=1", true, ""}, // "$" ends the path, query included
        MatchCase{"/run.cgix", true, ""}, MatchCase{"/tmp/cache", false, "/tmp*/cache"},
        MatchCase{"/tmp-2/x/cache/y", false, "/tmp*/cache"}, MatchCase{"/tmp/cach", true, ""},
        MatchCase{"/same", true, ""}, // a tie goes to Allow
        MatchCase{"/caf%C3%A9/menu", false, "/caf%c3%a9/"},
        MatchCase{"/caf\xC3\xA9/menu", false, "/caf%c3%a9/"},
        MatchCase{"/second-group/x", false, "/second-group/"}, MatchCase{"/robots.txt", true, ""}));

TEST(RobotsRules, GroupsDelaysAndSitemaps)
{
    const CRobotsRules ours(kSiteRobots, kAgent);
    EXPECT_EQ(ours.CrawlDelay(), std::chrono::milliseconds(2500));
    EXPECT_EQ(ours.Sitemaps(), std::vector<std::string>{"http://h/one.xml"});

    // Without a group of its own the agent takes every "*" group, and only those.
    const CRobotsRules star("User-agent: a\nUser-agent: *\nDisallow: /x\n\n"
                            "User-agent: b\nDisallow: /y\n\nUser-agent: *\nCrawl-delay: 9999\n"
                            "Disallow: /z\n",
                            "Hvstr152");
    EXPECT_FALSE(star.Match("/x").allowed);
    EXPECT_TRUE(star.Match("/y").allowed);
    EXPECT_FALSE(star.Match("/z").allowed);
    EXPECT_EQ(star.CrawlDelay(), kMaxCrawlDelay) << "a day between pages would stall the crawl";

    // A longer name that the agent's token does not begin with is another robot's.
    const CRobotsRules other("User-agent: Hvstr1520\nDisallow: /\n", "Hvstr152");
    EXPECT_TRUE(other.Match("/a").allowed);

    // Rules before any group, a bad delay, and no file at all allow everything.
    const CRobotsRules loose("Disallow: /\nUser-agent: *\nCrawl-delay: soon\n", "Hvstr152");
    EXPECT_TRUE(loose.Match("/a").allowed);
    EXPECT_EQ(loose.CrawlDelay().count(), 0);
    EXPECT_TRUE(CRobotsRules().Match("/a").allowed);

    // Only the first part of a huge file is read.
    std::string huge = "User-agent: *\n" + std::string(kMaxRobotsBytes, '\n') + "Disallow: /\n";
    EXPECT_TRUE(CRobotsRules(huge, "Hvstr152").Match("/a").allowed);
}

TEST(RobotsPattern, StarsAndEnd)
{
    struct
    {
        const char* pattern;
        const char* path;
        bool matches;
    } cases[] = {
        {"/a", "/abc", true},        {"/a$", "/abc", false},       {"/a$", "/a", true},
        {"*", "/anything", true},    {"/*$", "/", true},           {"/a*b*c", "/a-b-c", true},
        {"/a*b*c", "/a-c-b", false}, {"/a*bc$", "/abcbc", true},   {"/a*bc$", "/abc", true},
        {"/ab*b$", "/ab", false},    {"/*/*/x", "/1/2/x/y", true}, {"", "/a", true},
        {"/**a", "/ba", true},       {"/a*", "/b", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RobotsPatternMatches(c.pattern, c.path), c.matches)
            << c.pattern << " on " << c.path;
}

} // namespace
