#include "url/Url.h"

#include <gtest/gtest.h>

namespace
{

struct ParseCase
{
    const char* url;
    std::uint32_t service;
    const char* host;
    std::uint16_t port;
    const char* object;
    const char* directory;
    const char* fileTitle;
    const char* extension;
    const char* fileName;
    std::int32_t pageKind;
};

class UrlParse : public testing::TestWithParam<ParseCase>
{
};

TEST_P(UrlParse, SplitsIntoParts)
{
    const ParseCase& c = GetParam();
    const CUrl url(c.url);
    EXPECT_EQ(url.m_url, c.url) << "the url text is never changed";
    EXPECT_TRUE(url.m_parsed);
    EXPECT_EQ(url.m_serviceType, c.service);
    EXPECT_EQ(url.m_pageKind, c.pageKind);
    EXPECT_EQ(url.Extension(), c.extension);
    EXPECT_EQ(url.FileTitle(), c.fileTitle);
    EXPECT_EQ(url.Directory(), c.directory);
    EXPECT_EQ(url.Host(), c.host);
    if (c.pageKind != kPageKindUnparsable)
    {
        EXPECT_EQ(url.m_port, c.port);
        EXPECT_EQ(url.Object(), c.object);
        EXPECT_EQ(url.FileName(), c.fileName);
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, UrlParse, testing::Values(
    ParseCase{"http://h/dir/page.html", kServiceHttp, "h", 80, "/dir/page.html", "/dir/", "page", "html", "page.html", 1},
    ParseCase{"http://h/a/readme", kServiceHttp, "h", 80, "/a/readme", "/a/", "readme", "", "readme", 1},
    ParseCase{"http://h/files/setup.exe", kServiceHttp, "h", 80, "/files/setup.exe", "/files/", "setup", "exe", "setup.exe", 0},
    ParseCase{"http://h/x.PHP", kServiceHttp, "h", 80, "/x.PHP", "/", "x", "PHP", "x.PHP", 1},
    ParseCase{"http://h/archive.tar.gz", kServiceHttp, "h", 80, "/archive.tar.gz", "/", "archive.tar", "gz", "archive.tar.gz", 0},
    ParseCase{"http://h/.profile", kServiceHttp, "h", 80, "/.profile", "/", ".profile", "", ".profile", 1},
    ParseCase{"http://h", kServiceHttp, "h", 80, "", "", "", "", "", 1},
    ParseCase{"http://h/", kServiceHttp, "h", 80, "/", "/", "", "", "", 1},
    ParseCase{"h/x.zip", kServiceUnknown, "", 0, "", "", "", "", "", 2},
    // Page words anywhere in the extension, in any case.
    ParseCase{"http://h/a.ASPX", kServiceHttp, "h", 80, "/a.ASPX", "/", "a", "ASPX", "a.ASPX", 1},
    ParseCase{"http://h/a.cfml", kServiceHttp, "h", 80, "/a.cfml", "/", "a", "cfml", "a.cfml", 1},
    ParseCase{"http://h/a.jsp", kServiceHttp, "h", 80, "/a.jsp", "/", "a", "jsp", "a.jsp", 1},
    ParseCase{"http://h/x.shtml", kServiceHttp, "h", 80, "/x.shtml", "/", "x", "shtml", "x.shtml", 1},
    // The extension is the path's: a query or fragment never adds one, nor takes it away.
    ParseCase{"http://h/d/x.zip?1", kServiceHttp, "h", 80, "/d/x.zip?1", "/d/", "x", "zip", "x.zip", 0},
    ParseCase{"http://h/get?f=a.zip", kServiceHttp, "h", 80, "/get?f=a.zip", "/", "get", "", "get", 1},
    ParseCase{"http://h/dir/?q=a/b.zip", kServiceHttp, "h", 80, "/dir/?q=a/b.zip", "/dir/", "", "", "", 1},
    ParseCase{"http://h/get?f=/x/", kServiceHttp, "h", 80, "/get?f=/x/", "/", "get", "", "get", 1},
    ParseCase{"http://h/x.zip#a.htm", kServiceHttp, "h", 80, "/x.zip#a.htm", "/", "x", "zip", "x.zip", 0},
    ParseCase{"http://h/a.torrent", kServiceHttp, "h", 80, "/a.torrent", "/", "a", "torrent", "a.torrent", 0},
    ParseCase{"http://h/b.AppImage", kServiceHttp, "h", 80, "/b.AppImage", "/", "b", "AppImage", "b.AppImage", 0},
    ParseCase{"http://h/name.", kServiceHttp, "h", 80, "/name.", "/", "name.", "", "name.", 1},
    // Ports, schemes and credentials.
    ParseCase{"http://h:8080/p/q.htm", kServiceHttp, "h", 8080, "/p/q.htm", "/p/", "q", "htm", "q.htm", 1},
    ParseCase{"https://H.example/f.zip", kServiceHttps, "h.example", 443, "/f.zip", "/", "f", "zip", "f.zip", 0},
    ParseCase{"HTTP://h:/x.mp3", kServiceHttp, "h", 80, "/x.mp3", "/", "x", "mp3", "x.mp3", 0},
    ParseCase{"ftp://u:pw@h/pub/f.zip", kServiceFtp, "h", 21, "/pub/f.zip", "/pub/", "f", "zip", "f.zip", 0},
    ParseCase{"gopher://h/1", kServiceGopher, "h", 70, "/1", "/", "1", "", "1", 1},
    ParseCase{"file:///tmp/a.zip", kServiceFile, "", 0, "/tmp/a.zip", "/tmp/", "a", "zip", "a.zip", 0},
    ParseCase{"mailto:someone@h.com", kServiceMailto, "", 0, "someone@h.com", "", "", "", "", 1},
    ParseCase{"news:comp.lang", kServiceNews, "", 0, "comp.lang", "", "", "", "", 1},
    ParseCase{"javascript:void(0)", kServiceUnknown, "", 0, "void(0)", "", "", "", "", 1},
    ParseCase{"http://[::1]:81/a.zip", kServiceHttp, "[::1]", 81, "/a.zip", "/", "a", "zip", "a.zip", 0},
    // Canonical form: dot segments removed, unsafe bytes escaped.
    ParseCase{"http://h/a/b/../c/./d.zip", kServiceHttp, "h", 80, "/a/c/d.zip", "/a/c/", "d", "zip", "d.zip", 0},
    ParseCase{"http://h/../../x.zip", kServiceHttp, "h", 80, "/x.zip", "/", "x", "zip", "x.zip", 0},
    ParseCase{"http://h/a/..", kServiceHttp, "h", 80, "/", "/", "", "", "", 1},
    ParseCase{"http://h/my file.zip", kServiceHttp, "h", 80, "/my%20file.zip", "/", "my%20file", "zip", "my%20file.zip", 0},
    ParseCase{"http://h/caf\xC3\xA9.zip", kServiceHttp, "h", 80, "/caf%C3%A9.zip", "/", "caf%C3%A9", "zip", "caf%C3%A9.zip", 0},
    ParseCase{"http://h/q?a=<b>", kServiceHttp, "h", 80, "/q?a=%3Cb%3E", "/", "q", "", "q", 1},
    ParseCase{"http://h/%7e%2f%c3%a9.zip", kServiceHttp, "h", 80, "/~%2F%C3%A9.zip", "/", "~%2F%C3%A9", "zip", "~%2F%C3%A9.zip", 0},
    ParseCase{"  http://h/x.zip\r\n", kServiceHttp, "h", 80, "/x.zip", "/", "x", "zip", "x.zip", 0},
    ParseCase{"http://h/a/../?x=/../", kServiceHttp, "h", 80, "/?x=/../", "/", "", "", "", 1},
    ParseCase{"http://h/p.htm#top", kServiceHttp, "h", 80, "/p.htm#top", "/", "p", "htm", "p.htm", 1},
    // Refused texts.
    ParseCase{"http:/x.zip", kServiceUnknown, "", 0, "", "", "", "", "", 2},
    ParseCase{"http:///x.zip", kServiceUnknown, "", 0, "", "", "", "", "", 2},
    ParseCase{"http://h:99999/x", kServiceUnknown, "", 0, "", "", "", "", "", 2},
    ParseCase{"http://h:8o/x", kServiceUnknown, "", 0, "", "", "", "", "", 2},
    ParseCase{"http://bad host/x", kServiceUnknown, "", 0, "", "", "", "", "", 2},
    ParseCase{"page.htm?a=b:c", kServiceUnknown, "", 0, "", "", "", "", "", 2},
    ParseCase{"", kServiceUnknown, "", 0, "", "", "", "", "", 2}));
// clang-format on

TEST(UrlParse, EnforcesPartLimits)
{
    const std::string host255(255, 'h');
    EXPECT_EQ(CUrl("http://" + host255 + "/").m_pageKind, kPageKindPage);
    EXPECT_EQ(CUrl("http://" + host255 + "h/").m_pageKind, kPageKindUnparsable);

    const std::string object2047 = "/" + std::string(2046, 'o');
    EXPECT_EQ(CUrl("http://h" + object2047).m_pageKind, kPageKindPage);
    EXPECT_EQ(CUrl("http://h" + object2047 + "o").m_pageKind, kPageKindUnparsable);
    // The limit holds for the escaped object: 700 blanks become 2100 characters.
    EXPECT_EQ(CUrl("http://h/" + std::string(700, ' ') + "x").m_pageKind, kPageKindUnparsable);

    const std::string user127(127, 'u');
    EXPECT_EQ(CUrl("http://" + user127 + ":" + user127 + "@h/").m_pageKind, kPageKindPage);
    EXPECT_EQ(CUrl("http://" + user127 + "u:p@h/").m_pageKind, kPageKindUnparsable);
    EXPECT_EQ(CUrl("http://u:" + user127 + "p@h/").m_pageKind, kPageKindUnparsable);

    const CUrl credentials("http://me:secret@h/x.zip");
    EXPECT_EQ(credentials.UserName(), "me");
    EXPECT_EQ(credentials.Password(), "secret");
}

TEST(UrlParse, EmptyRecordAndReparse)
{
    CUrl base;
    EXPECT_FALSE(base.m_parsed);
    EXPECT_EQ(base.m_sizeState, kSizeNotAsked);
    EXPECT_TRUE(base.m_usable);

    base.Reparse("http://h/a/b.zip");
    EXPECT_EQ(base.FileName(), "b.zip");
    // A second parse clears what the new text does not set, but keeps the file name.
    base.Reparse("http://h2/dir/");
    EXPECT_EQ(base.Host(), "h2");
    EXPECT_EQ(base.Extension(), "");
    EXPECT_EQ(base.FileTitle(), "");
    EXPECT_EQ(base.Directory(), "/dir/");
    EXPECT_EQ(base.FileName(), "b.zip");
}

TEST(UrlParse, ParsingAgainKeepsTheVisitedMark)
{
    CUrl url("http://h/seen.htm");
    EXPECT_FALSE(url.IsVisited());
    url.SetVisited();
    url.Reparse(url.m_url);
    EXPECT_TRUE(url.IsVisited());
}

TEST(SplitFileName, FollowsTheDotRules)
{
    struct
    {
        const char* segment;
        bool split;
        const char* title;
        const char* extension;
    } cases[] = {
        {"a.zip", true, "a", "zip"},
        {"noext", false, "noext", ""},
        {".hidden", false, ".hidden", ""},
        {"a.longer", true, "a", "longer"},
        {"x.", false, "x.", ""},
        {"v1.2.3-beta", false, "v1.2.3-beta", ""},
        {"a.tar.gz", true, "a.tar", "gz"},
        {"b.appimage", true, "b", "appimage"},
        {"c.a_b", false, "c.a_b", ""},
        {"d.0123456789", true, "d", "0123456789"},
        {"d.0123456789a", false, "d.0123456789a", ""},
    };
    for (const auto& c : cases)
    {
        std::string title;
        std::string extension;
        EXPECT_EQ(CUrl::SplitFileName(c.segment, title, extension), c.split) << c.segment;
        EXPECT_EQ(title, c.title) << c.segment;
        EXPECT_EQ(extension, c.extension) << c.segment;
    }
}

TEST(FindNoCase, FoldsAsciiLettersOnly)
{
    EXPECT_EQ(FindNoCase("http://h/Banners/x.zip", "banner"), 9u);
    EXPECT_EQ(FindNoCase("MP3", "mp3"), 0u);
    EXPECT_EQ(FindNoCase("abc", ""), 0u);
    EXPECT_EQ(FindNoCase("", ""), std::string_view::npos);
    EXPECT_EQ(FindNoCase("", "a"), std::string_view::npos);
    EXPECT_EQ(FindNoCase("ab", "abc"), std::string_view::npos);
    EXPECT_EQ(FindNoCase("\xC3\xA9", "\xC3\x89"), std::string_view::npos);
    EXPECT_EQ(FindNoCase("a[b", "A{B"), std::string_view::npos) << "no folding beyond A to Z";
}

} // namespace
