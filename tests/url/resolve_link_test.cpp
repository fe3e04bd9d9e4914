#include "url/Url.h"
#include "url/UrlCanonicalizer.h"

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
    ResolveCase{"http://h", "x.zip", true, "http://h/x.zip"},
    ResolveCase{"http://h/a/b/c.htm", "../../x.zip", true, "http://h/x.zip"},
    ResolveCase{"http://h/c.htm", "../../x.zip", true, "http://h/x.zip"},
    ResolveCase{"http://h/a/b/c.htm", "..\\up\\f.zip", true, "http://h/a/up/f.zip"},
    ResolveCase{"http://h/a/", "../", true, "http://h/"},
    // Nothing but a fragment names the page itself.
    ResolveCase{"http://h/a/", "", false, ""},
    ResolveCase{"http://h/a/p.htm", "#top", false, ""},
    ResolveCase{"http://h/a/index.htm", "page.htm#top", true, "http://h/a/page.htm"},
    // Dot segments of relative links go, so that each link has one text.
    ResolveCase{"http://h/a/index.htm", "./x.zip", true, "http://h/a/x.zip"},
    ResolveCase{"http://h/a/b/", "c/../d/./e.htm?q=/../#f", true, "http://h/a/b/d/e.htm?q=/../"},
    ResolveCase{"http://h/a/", "/x/../y/.", true, "http://h/y/"},
    // Absolute values lose their fragment and dot segments, and are written in normal form.
    ResolveCase{"http://h/a/", "http://o/./x.zip", true, "http://o/x.zip"},
    ResolveCase{"http://h/a/", "http://other/x.zip#f", true, "http://other/x.zip"},
    ResolveCase{"http://h/a/", "mailto:me@h", true, "mailto:me@h"},
    ResolveCase{"mailto:me@h", "x.zip", false, ""},
    // A colon after other characters is part of a relative link.
    ResolveCase{"http://h/a/", "q.htm?t=1:2", true, "http://h/a/q.htm?t=1:2"},
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
    ResolveCase{"http://h:8080/p/", "//cdn:81/x.zip#a", true, "http://cdn:81/x.zip"},
    // A last segment without an extension names a file, not a folder.
    ResolveCase{"http://h/releases/latest", "x.zip", true, "http://h/releases/x.zip"},
    ResolveCase{"http://h/a/b", "sub/b.htm", true, "http://h/a/sub/b.htm"},
    ResolveCase{"http://h/get?f=a/b/", "c.zip", true, "http://h/c.zip"},
    // A query alone replaces the page's query and keeps its path.
    ResolveCase{"http://h/a/list.php?page=1", "?page=2", true, "http://h/a/list.php?page=2"},
    // Blanks are sent escaped; escapes are written as the normal form writes them.
    ResolveCase{"http://h/a/", "sp ace.zip", true, "http://h/a/sp%20ace.zip"},
    ResolveCase{"http://h/a/", "%7euser/%c3%a9%2Fx%41.zip", true, "http://h/a/~user/%C3%A9%2FxA.zip"},
    ResolveCase{"http://h/a/", "100%.zip", true, "http://h/a/100%25.zip"},
    ResolveCase{"http://h/a/", "%%61b%zz", true, "http://h/a/%25ab%25zz"},
    ResolveCase{"http://h/a/", "HTTP://Example.COM:80", true, "http://example.com/"},
    ResolveCase{"http://h/a/", "https://U:P@Example.COM:443/A.ZIP?Q=%7e", true, "https://U:P@example.com/A.ZIP?Q=~"},
    ResolveCase{"http://h/a/", "//CDN.example/x y.zip", true, "http://cdn.example/x%20y.zip"}));
// clang-format on

TEST(BaseDirectory, WritesSchemeHostPortAndDirectory)
{
    struct
    {
        const char* url;
        const char* expected;
    } cases[] = {
        {"http://h/a/b.htm", "http://h/a/"},       {"https://h:8443/a/", "https://h:8443/a/"},
        {"ftp://u:p@h/pub/x.zip", "ftp://h/pub/"}, {"mailto:me@h", ""},
        {"http://h/a/readme", "http://h/a/"},
    };
    for (const auto& c : cases)
    {
        std::string out;
        CUrl(c.url).GetBaseDirectory(out);
        EXPECT_EQ(out, c.expected) << c.url;
    }
}

// Scheme and host compare without case, path and query exactly once escapes are normal.
TEST(NormalizeUrl, OneTextPerResource)
{
    struct
    {
        const char* a;
        const char* b;
        bool same;
    } cases[] = {
        {"HTTP://Example.COM/a.zip", "http://example.com/a.zip", true},
        {"http://h/CASE.zip", "http://h/case.zip", false},
        {"http://h/a?Q=1", "http://h/a?q=1", false},
        {"http://h:80/%7Ex%2f", "http://h/~x%2F", true},
        {"http://h:8080/", "http://h/", false},
        {"http://h/x.zip#part", "http://h/x.zip", true},
        {" http://h/a b.zip ", "http://h/a%20b.zip", true},
    };
    for (const auto& c : cases)
    {
        const std::string a = NormalizeUrl(c.a);
        const std::string b = NormalizeUrl(c.b);
        EXPECT_EQ(a == b, c.same) << a << " / " << b;
        EXPECT_TRUE(IsNormalUrl(a)) << a;
        EXPECT_EQ(NormalizeUrl(a), a);
    }
    // Texts of other schemes, and texts that are no URL, stay as they are.
    for (const char* text : {"mailto:Me@H", "javascript:void(0)", "no url", "http://bad host/"})
        EXPECT_EQ(NormalizeUrl(text), text);
}

TEST(UrlText, StripFragment)
{
    std::string text = "a#b#c";
    CUrl::StripFragment(text);
    EXPECT_EQ(text, "a");
    text = "none";
    CUrl::StripFragment(text);
    EXPECT_EQ(text, "none");
}

} // namespace
