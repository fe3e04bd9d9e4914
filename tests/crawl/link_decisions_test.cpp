#include "crawl/CrawlFixture.h"
#include "crawl/WhyLookup.h"
#include "url/WhyText.h"

namespace
{

// One declared site (and a second one, another site) crawled in a few modes; every decision a
// crawl can give appears once, with the value that explains it.
class LinkDecisions : public CCrawlTest
{
protected:
    void SetUp() override
    {
        CCrawlTest::SetUp();
        COptions& options = m_core->m_options;
        options.m_fileTypes = "EXE;ZIP;MPEG";
        options.m_excludes = "banner";
        options.m_checkLength = kCheckLengthWhenFound;
        options.m_minSizeK = 1;
        options.m_maxSizeK = 100;
        m_core->PublishOptions();
        m_core->m_histories.m_fileHistory.Add(A("/a/b/old.zip"), {});

        const std::string longHost(300, 'h');
        m_a.Page(
            "/a/b/index.htm",
            Links({"ok.zip", "setup.ex", "doc.pdf", "banner.zip", "tiny.zip", "huge.zip", "old.zip",
                   "mailto:me@h", "file:///x.zip", "http://" + longHost + "/", "/banner/",
                   "../up.htm", "sub/page.htm", "sub/missing.htm", B("/x.htm"), "redir.htm"}));
        m_a.File("/a/b/ok.zip", 4096);
        m_a.File("/a/b/setup.ex", 4096);
        m_a.File("/a/b/tiny.zip", 100);
        m_a.File("/a/b/huge.zip", 200 * 1024);
        m_a.File("/a/b/old.zip", 4096);
        m_a.Page("/a/b/sub/page.htm", "");
        CTestSite::CResource redirect;
        redirect.status = 302;
        redirect.location = B("/r.htm");
        m_a.Put("/a/b/redir.htm", redirect);
        m_b.Page("/r.htm", "");

        m_a.Page("/m/index.htm", Links({"p1.htm", "p2.htm"}));
        m_a.Page("/m/p1.htm", "");
        m_a.Page("/e/index.htm", Links({B("/x1.htm"), B("/x2.htm")}));
        m_b.Page("/x1.htm", Links({A("/e/back.htm")}));
        CTestSite::CResource dated;
        dated.lastModified = "Tue, 15 Nov 1994 08:12:31 GMT";
        m_a.Put("/u.htm", dated);
        m_a.Page("/d/index.htm", Links({"f.zip"}));
    }

    static std::string Links(const std::vector<std::string>& hrefs)
    {
        std::string html;
        for (const std::string& href : hrefs)
            html += "<a href=\"" + href + "\">x</a>\n";
        return html;
    }
    std::string A(const std::string& path) const { return m_a.Url(path); }
    std::string B(const std::string& path) const { return m_b.Url(path); }

    std::unique_ptr<CModeData> Named(std::unique_ptr<CModeData> mode)
    {
        mode->m_name = "Test mode";
        return mode;
    }

    CTestSite m_a{"127.0.0.1"};
    CTestSite m_b{"127.0.0.1"};
};

TEST_F(LinkDecisions, EveryReasonWithItsValue)
{
    Crawl(A("/a/b/index.htm"), Named(Mode(100, false, false, 0, 1)));
    Crawl(A("/m/index.htm"), Named(Mode(1, false, false, 0, 1)));
    Crawl(A("/e/index.htm"), Named(Mode(100, false, true, 1, 2)));
    auto onlyIfModified = [&]
    {
        auto mode = Named(Mode(0, false, false, 0, 1));
        mode->m_onlyIfModified = true;
        return mode;
    };
    Crawl(A("/u.htm"), onlyIfModified());
    Crawl(A("/u.htm"), onlyIfModified());
    m_core->m_cancelBrowse = true;
    Crawl(A("/cancelled.htm"), 1);
    m_core->m_cancelBrowse = false;
    m_core->m_options.m_autoDownload = true;
    m_core->PublishOptions();
    Crawl(A("/d/index.htm"), 0);

    const std::string longHost(300, 'h');
    const std::string page = A("/a/b/index.htm");
    struct
    {
        std::string url;
        CVerdict verdict;
        CReason reason;
        std::string value;
        std::string foundOn;
    } rows[] = {
        {page, CVerdict::Read, CReason::StartPage, "", ""},
        {A("/a/b/ok.zip"), CVerdict::Listed, CReason::FileType, "ZIP", page},
        {A("/a/b/setup.ex"), CVerdict::Listed, CReason::FileType, "EXE", page},
        {A("/a/b/doc.pdf"), CVerdict::NotListed, CReason::NotInFileTypes, "EXE;ZIP;MPEG", page},
        {A("/a/b/banner.zip"), CVerdict::NotListed, CReason::Excluded, "banner", page},
        {A("/a/b/tiny.zip"), CVerdict::NotListed, CReason::TooSmall, "100 bytes, limit 1 KB", page},
        {A("/a/b/huge.zip"), CVerdict::NotListed, CReason::TooLarge, "204800 bytes, limit 100 KB",
         page},
        {A("/a/b/old.zip"), CVerdict::NotListed, CReason::InFileHistory, "", page},
        {"mailto:me@h", CVerdict::NotFollowed, CReason::Scheme, "", page},
        {"file:///x.zip", CVerdict::NotListed, CReason::Scheme, "", page},
        {"http://" + longHost + "/", CVerdict::NotFollowed, CReason::Unparsable, "", page},
        {A("/banner/"), CVerdict::NotFollowed, CReason::Excluded, "banner", page},
        {A("/a/up.htm"), CVerdict::Shown, CReason::ParentDirectory, "Test mode", page},
        {A("/a/b/sub/page.htm"), CVerdict::Read, CReason::None, "", page},
        {A("/a/b/sub/missing.htm"), CVerdict::NotRead, CReason::Error, "404", page},
        {B("/x.htm"), CVerdict::Shown, CReason::ExternalOff, "Test mode", page},
        {A("/a/b/redir.htm"), CVerdict::NotRead, CReason::AnsweredElsewhere, "", page},
        {B("/r.htm"), CVerdict::Shown, CReason::ExternalOff, "Test mode", A("/a/b/redir.htm")},
        {A("/m/index.htm"), CVerdict::Read, CReason::StartPage, "", ""},
        {A("/e/index.htm"), CVerdict::Read, CReason::StartPage, "", ""},
        {A("/d/index.htm"), CVerdict::Read, CReason::StartPage, "", ""},
        {A("/m/p1.htm"), CVerdict::Read, CReason::None, "", A("/m/index.htm")},
        {A("/m/p2.htm"), CVerdict::Shown, CReason::LocalMaximum, "1", A("/m/index.htm")},
        {B("/x1.htm"), CVerdict::Read, CReason::None, "", A("/e/index.htm")},
        {B("/x2.htm"), CVerdict::Shown, CReason::ExternalMaximum, "1", A("/e/index.htm")},
        {A("/e/back.htm"), CVerdict::Shown, CReason::Depth, "2", B("/x1.htm")},
        {A("/u.htm"), CVerdict::NotRead, CReason::Unchanged, "", ""},
        {A("/cancelled.htm"), CVerdict::NotRead, CReason::Cancelled, "", ""},
        {A("/d/f.zip"), CVerdict::Listed, CReason::Downloading, "ZIP", A("/d/index.htm")},
    };
    for (const auto& row : rows)
    {
        const auto link = ExplainLink(*m_core, row.url);
        ASSERT_TRUE(link.has_value()) << row.url;
        EXPECT_EQ(link->decision.verdict, row.verdict) << row.url << ": " << WhyText(*link);
        EXPECT_EQ(link->decision.reason, row.reason) << row.url << ": " << WhyText(*link);
        EXPECT_EQ(ValueText(link->decision), row.value) << row.url;
        EXPECT_EQ(link->foundOn, row.foundOn) << row.url;
    }
    // The listing has every link once, also those whose records nothing keeps.
    EXPECT_EQ(ExplainAll(*m_core).size(), std::size(rows));

    m_core->m_downloadQueue.Clear();
}

TEST_F(LinkDecisions, AnswersInPlainLanguage)
{
    Crawl(A("/a/b/index.htm"), Named(Mode(100, false, false, 0, 1)));
    const std::string page = A("/a/b/index.htm");
    EXPECT_EQ(WhyAnswer(*m_core, A("/a/b/doc.pdf")),
              "Not listed: the extension 'pdf' is not in File Types (EXE;ZIP;MPEG). Found on " +
                  page + ".");
    EXPECT_EQ(WhyAnswer(*m_core, A("/a/up.htm")),
              "Not followed: the directory /a/ is above /a/b/, where the link was found, "
              "and Follow Parent Sites is off (mode 'Test mode'). Found on " +
                  page + ".");
    EXPECT_EQ(WhyAnswer(*m_core, A("/a/b/sub/other.htm")),
              "Not met in this session: no page that was read links to it. Nearest URLs met: " +
                  A("/a/b/sub/missing.htm") + ", " + A("/a/b/sub/page.htm") + ".");
    EXPECT_EQ(WhyAnswer(*m_core, "http://elsewhere/x"),
              "Not met in this session: no page that was read links to it.");
}

} // namespace
