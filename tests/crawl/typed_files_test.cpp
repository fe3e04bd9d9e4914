#include "crawl/CrawlFixture.h"
#include "crawl/WhyLookup.h"

namespace
{

// A site whose files sit behind scripts and extension-less addresses: what each answers says
// whether it is a page or a file, and which file.
class TypedFiles : public CCrawlTest
{
protected:
    void SetUp() override
    {
        CCrawlTest::SetUp();
        m_core->m_options.m_fileTypes = "PDF;ZIP";
        m_core->PublishOptions();
        m_site.Page("/index.htm",
                    Links({"download.php?id=7", "get/report", "get/star", "get/both", "get/neither",
                           "get/notes", "get/big", "get/untyped", "latest"}));
        Put("/download.php?id=7", "application/pdf", "attachment; filename=\"manual v2.pdf\"");
        Put("/get/report", "application/zip");
        Put("/get/star", "application/octet-stream",
            "attachment; filename*=UTF-8''%C3%BCbersicht.pdf");
        Put("/get/both", "binary/octet-stream",
            "attachment; filename=\"notes.txt\"; filename*=UTF-8''b.zip");
        Put("/get/neither", "application/octet-stream");
        Put("/get/untyped", "", "attachment; filename=untyped.zip");
        Put("/get/notes", "text/plain; charset=utf-8");
        // Far more than a page read would take in before its answer is judged.
        Put("/get/big", "application/zip", "", std::string(8 * 1024 * 1024, 'z'));
        // An extension-less page is still a page, read and followed.
        m_site.Page("/latest", Links({"/inner.zip"}));
    }

    static std::string Links(const std::vector<std::string>& hrefs)
    {
        std::string html;
        for (const std::string& href : hrefs)
            html += "<a href=\"" + href + "\">x</a>\n";
        return html;
    }

    void Put(const std::string& path, const std::string& type, const std::string& disposition = {},
             std::string body = "%PDF-1.4 body of a file")
    {
        CTestSite::CResource resource;
        resource.body = std::move(body);
        resource.contentType = type;
        resource.disposition = disposition;
        m_site.Put(path, resource);
    }

    std::string Why(const std::string& path) { return WhyAnswer(*m_core, m_site.Url(path)); }

    CTestSite m_site;
};

TEST_F(TypedFiles, AnswersThatAreNoPageAreListedByTheirTypeInSiteMode)
{
    // One page at a time and several at once find the same.
    for (const int pagesAtOnce : {1, 4})
    {
        SCOPED_TRACE(pagesAtOnce);
        auto mode = GetMode(1, m_core->m_options);
        mode->m_reserved = pagesAtOnce;
        Crawl(m_site.Url("/index.htm"), std::move(mode));

        const std::vector<std::string> listed = {
            m_site.Url("/download.php?id=7"), m_site.Url("/get/big"),  m_site.Url("/get/both"),
            m_site.Url("/get/report"),        m_site.Url("/get/star"), m_site.Url("/get/untyped"),
            m_site.Url("/inner.zip")};
        EXPECT_EQ(ListUrls(), listed);
        // The size is the one the headers announced; the body of a file is never read.
        EXPECT_EQ(m_list.Items()[m_site.Url("/get/big")], "8388608");
        EXPECT_LT(m_core->m_stats.m_receivedBytes.load(), 1024u * 1024u);

        EXPECT_NE(Why("/download.php?id=7").find("listed by its type application/pdf"),
                  std::string::npos)
            << Why("/download.php?id=7");
        EXPECT_NE(Why("/get/star").find("'\u00FCbersicht.pdf'"), std::string::npos)
            << Why("/get/star");
        EXPECT_NE(Why("/get/both").find("'b.zip'"), std::string::npos) << Why("/get/both");
        EXPECT_NE(Why("/get/neither").find("its type application/octet-stream is not a page"),
                  std::string::npos)
            << Why("/get/neither");
        EXPECT_NE(Why("/get/notes").find("its type text/plain is not a page"), std::string::npos)
            << Why("/get/notes");
        EXPECT_NE(Why("/latest").find("Read"), std::string::npos) << Why("/latest");
        ClearViews();
        m_core->m_stats.m_receivedBytes = 0;
    }
}

// The option asks the links that a page mode does not follow: HEAD first, GET where HEAD is
// refused, at most 200 a page.
TEST_F(TypedFiles, AskingTheTypeListsUnfollowedLinksInPageMode)
{
    CTestSite::CResource refusesHead;
    refusesHead.body = "zip";
    refusesHead.contentType = "application/zip";
    refusesHead.headStatus = 405;
    m_site.Put("/get/refuses-head", refusesHead);
    std::vector<std::string> many = {"get/report", "get/refuses-head", "get/notes", "latest"};
    for (int i = 0; i < 250; ++i)
    {
        many.push_back("many/" + std::to_string(i));
        Put("/many/" + std::to_string(i), "application/pdf");
    }
    m_site.Page("/many.htm", Links(many));

    const auto heads = [&]
    {
        const auto requests = m_site.Requests();
        return std::count_if(requests.begin(), requests.end(),
                             [](const std::string& r) { return r.rfind("HEAD ", 0) == 0; });
    };

    // Off, nothing is asked and nothing listed.
    Crawl(m_site.Url("/many.htm"), 0);
    EXPECT_EQ(heads(), 0);
    EXPECT_TRUE(ListUrls().empty());

    m_core->m_options.m_askTypeOfPageLinks = true;
    m_core->PublishOptions();
    m_site.ClearRequests();
    Crawl(m_site.Url("/many.htm"), 0);
    EXPECT_EQ(heads(), 200);
    const auto listed = ListUrls();
    EXPECT_EQ(listed.size(), 198u);
    for (const char* path : {"/get/report", "/get/refuses-head", "/many/0", "/many/195"})
        EXPECT_NE(std::find(listed.begin(), listed.end(), m_site.Url(path)), listed.end()) << path;
    EXPECT_EQ(std::find(listed.begin(), listed.end(), m_site.Url("/many/196")), listed.end());
    // The one HEAD refused is asked again with GET, whose body is left unread.
    const auto requests = m_site.Requests();
    EXPECT_EQ(std::count(requests.begin(), requests.end(), "GET /get/refuses-head"), 1);
    EXPECT_NE(Why("/get/report").find("listed by its type application/zip"), std::string::npos)
        << Why("/get/report");
    // A page answered as a page, or a type File Types does not take, stays what it was.
    EXPECT_EQ(Why("/get/notes").find("type"), std::string::npos) << Why("/get/notes");
}

} // namespace
