#include "crawl/CrawlFixture.h"

namespace
{

// Links read as a browser reads them, on one local site: their extensions, quoted values with
// blanks, pages whose last segment has no extension, and letter case. The list and the tree
// come sorted.
class LinkReading : public CCrawlTest
{
protected:
    void SetUp() override
    {
        CCrawlTest::SetUp();
        m_core->m_options.m_fileTypes = "PDF;ZIP;TORRENT;APPIMAGE";
        m_core->PublishOptions();
    }

    std::vector<std::string> Urls(std::initializer_list<const char*> paths)
    {
        std::vector<std::string> urls;
        for (const char* path : paths)
            urls.push_back(m_site.Url(path));
        return urls;
    }

    CTestSite m_site;
};

TEST_F(LinkReading, ExtensionsComeFromThePathsLastSegment)
{
    m_site.Page("/files.htm", "<a href=report.pdf?dl=1>r</a><a href=x.zip?1>x</a>"
                              "<a href=dir/?q=a/b.zip>d</a><a href=get?f=a.zip>g</a>"
                              "<a href=a.torrent>t</a><a href=b.AppImage>i</a>"
                              "<a href=v1.2.3-beta>v</a><a href=list.php?p=2>l</a>"
                              "<a href=run.cgi>c</a>");
    Crawl(m_site.Url("/files.htm"), 0);

    EXPECT_EQ(ListUrls(), Urls({"/a.torrent", "/b.AppImage", "/report.pdf?dl=1", "/x.zip?1"}));
    // A query's name or a version's dots make no file: those are pages, as are scripts.
    EXPECT_EQ(TreeUrls(), Urls({"/dir/?q=a/b.zip", "/files.htm", "/get?f=a.zip", "/list.php?p=2",
                                "/run.cgi", "/v1.2.3-beta"}));
}

TEST_F(LinkReading, QuotedValuesRunToTheirClosingQuote)
{
    m_site.Page("/q.htm", "<a href=\"sp ace.zip\">1</a><a href=' two\n words.zip '>2</a>"
                          "<a href=\"a>b.zip\">3</a><a href=un quoted.zip>4</a>");
    Crawl(m_site.Url("/q.htm"), 0);

    EXPECT_EQ(ListUrls(), Urls({"/a%3Eb.zip", "/sp%20ace.zip", "/two%20words.zip"}));
}

struct CFolderCase
{
    const char* start;
    std::vector<std::string> gets;
    std::vector<std::string> listed;
};

// In site mode a page's folder is its path up to the last "/", whether or not the last segment
// has an extension: links resolve there, and the crawl keeps to it.
TEST_F(LinkReading, PagesWithoutAnExtensionResolveAndBoundInTheirFolder)
{
    m_site.Page("/releases/latest",
                "<a href=x.zip></a><a href=notes></a><a href=../up></a><a href=old/list></a>");
    m_site.Page("/releases/notes", "<a href=y.zip></a>");
    m_site.Page("/releases/old/list", "<a href=../../z.zip></a><a href=../latest></a>");
    m_site.Page("/up", "<a href=up.zip></a>");
    m_site.Page("/a/readme", "<a href=sub/page></a><a href=/b/other></a><a href=r.zip></a>");
    m_site.Page("/a/sub/page", "<a href=s.zip></a>");
    m_site.Page("/b/other", "<a href=o.zip></a>");

    const CFolderCase cases[] = {
        {"/releases/latest",
         {"/releases/latest", "/releases/notes", "/releases/old/list"},
         {"/releases/x.zip", "/releases/y.zip", "/z.zip"}},
        {"/a/readme", {"/a/readme", "/a/sub/page"}, {"/a/r.zip", "/a/sub/s.zip"}},
    };
    for (const CFolderCase& c : cases)
    {
        m_site.ClearRequests();
        ClearViews();
        Crawl(m_site.Url(c.start), 1);
        EXPECT_EQ(m_site.Gets(), c.gets) << c.start;
        std::vector<std::string> listed;
        for (const std::string& path : c.listed)
            listed.push_back(m_site.Url(path));
        EXPECT_EQ(ListUrls(), listed) << c.start;
    }
}

// Scheme and host compare without case, path and query exactly: a page that links CASE.zip and
// case.zip lists both, and one host in two spellings is one file.
TEST_F(LinkReading, PathCaseCountsHostCaseDoesNot)
{
    m_site.Page("/c.htm", "<a href=CASE.zip></a><a href=case.zip></a><a href=case.zip?A></a>"
                          "<a href=case.zip?a></a><a href=http://Files.Example/f.zip></a>"
                          "<a href=HTTP://files.example:80/f.zip></a>"
                          "<a href=http://files.example/F.zip></a>");
    Crawl(m_site.Url("/c.htm"), 0);

    std::vector<std::string> expected =
        Urls({"/CASE.zip", "/case.zip", "/case.zip?A", "/case.zip?a"});
    expected.push_back("http://files.example/F.zip");
    expected.push_back("http://files.example/f.zip");
    EXPECT_EQ(ListUrls(), expected);
}

} // namespace
