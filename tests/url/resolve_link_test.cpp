#include "url/Url.h"

#include <gtest/gtest.h>

namespace
{

struct ResolveCase
{
    const char* base;
    const char* link;
    bool resolved;
    const char* result;
};

class Resolve : public testing::TestWithParam<ResolveCase>
{
};

TEST_P(Resolve, MakesAbsoluteText)
{
    const ResolveCase& c = GetParam();
    const CUrl base(c.base);
    std::string link = c.link;
    ASSERT_EQ(ResolveLink(base, link), c.resolved) << c.link << " against " << c.base;
    if (c.resolved)
    {
        EXPECT_EQ(link, c.result);
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, Resolve, testing::Values(
    ResolveCase{"http://h/a/index.htm", "sub/b.htm", true, "http://h/a/sub/b.htm"},
    ResolveCase{"http://h/a/b", "sub/b.htm", true, "http://h/a/b/sub/b.htm"},
    ResolveCase{"http://h", "x.zip", true, "http://h/x.zip"},
    ResolveCase{"http://h/a/b/c.htm", "../../x.zip", true, "http://h/x.zip"},
    ResolveCase{"http://h/c.htm", "../../x.zip", true, "http://h/x.zip"},
    ResolveCase{"http://h/a/b/c.htm", "..\\up\\f.zip", true, "http://h/a/up/f.zip"},
    ResolveCase{"http://h/a/", "../", false, ""},
    ResolveCase{"http://h/a/", "", false, ""},
    ResolveCase{"http://h/a/index.htm", "page.htm#top", true, "http://h/a/page.htm"},
    // Dot segments of relative links go, so that each link has one text.
    ResolveCase{"http://h/a/index.htm", "./x.zip", true, "http://h/a/x.zip"},
    ResolveCase{"http://h/a/b/", "c/../d/./e.htm?q=/../#f", true, "http://h/a/b/d/e.htm?q=/../"},
    ResolveCase{"http://h/a/", "/x/../y/.", true, "http://h/y/"},
    ResolveCase{"http://h/a/", "http://o/./x.zip", true, "http://o/./x.zip"},
    // Absolute values stay as they are, less the fragment.
    ResolveCase{"http://h/a/", "http://other/x.zip#f", true, "http://other/x.zip"},
    ResolveCase{"http://h/a/", "mailto:me@h", true, "mailto:me@h"},
    ResolveCase{"http://h/a/", "q.htm?t=1:2", true, "q.htm?t=1:2"},
    // The page's scheme and non-default port are kept.
    ResolveCase{"http://h:8080/p/q.htm", "/img/a.gif", true, "http://h:8080/img/a.gif"},
    ResolveCase{"http://h:8080/p/q.htm", "r.htm", true, "http://h:8080/p/r.htm"},
    ResolveCase{"http://h:8080/p/q/r.htm", "../s.zip", true, "http://h:8080/p/s.zip"},
    ResolveCase{"https://h/p/q.htm", "/x.zip", true, "https://h/x.zip"},
    ResolveCase{"https://h/p/q.htm", "x.zip", true, "https://h/p/x.zip"},
    ResolveCase{"https://h:443/p/", "x.zip", true, "https://h/p/x.zip"},
    ResolveCase{"http://h:80/p/", "/x.zip", true, "http://h/x.zip"},
    // Protocol-relative links take the page's scheme and are otherwise absolute.
    ResolveCase{"https://h/p/", "//cdn/x.zip", true, "https://cdn/x.zip"},
    ResolveCase{"http://h:8080/p/", "//cdn:81/x.zip#a", true, "http://cdn:81/x.zip"}));
// clang-format on

TEST(BaseDirectory, WritesSchemeHostPortAndDirectory)
{
    struct
    {
        const char* url;
        const char* expected;
    } cases[] = {
        {"http://h/a/b.htm", "http://h/a/"},        {"https://h:8443/a/", "https://h:8443/a/"},
        {"ftp://u:p@h/pub/x.zip", "ftp://h/pub/"},  {"mailto:me@h", ""},
        {"http://h/a/readme", "http://h/a/readme"},
    };
    for (const auto& c : cases)
    {
        std::string out;
        CUrl(c.url).GetBaseDirectory(out);
        EXPECT_EQ(out, c.expected) << c.url;
    }
}

TEST(UrlText, ParentDirectoryAndFragment)
{
    EXPECT_EQ(CUrl::ParentDirectory("http://h/a/b/"), "http://h/a/");
    EXPECT_EQ(CUrl::ParentDirectory("http://h/a/b"), "http://h/a/");
    EXPECT_EQ(CUrl::ParentDirectory("noslash"), "noslash");

    std::string text = "a#b#c";
    CUrl::StripFragment(text);
    EXPECT_EQ(text, "a");
    text = "none";
    CUrl::StripFragment(text);
    EXPECT_EQ(text, "none");
}

} // namespace
