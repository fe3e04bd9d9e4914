#include "core/CrawlBounds.h"
#include "crawl/CrawlFixture.h"
#include "support/FileBytes.h"

#include <cstdio>

namespace
{

// "f007.zip": names that sort in crawl order.
std::string FileName(std::size_t number, const char* extension)
{
    char name[32];
    std::snprintf(name, sizeof name, "f%03zu.%s", number, extension);
    return name;
}

int Occurrences(const std::string& text, const std::string& part)
{
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

struct CBoundCase
{
    const char* name;
    const char* extension;
    CCrawlBounds bounds;
    // Pages read after the start page; the last one is where the bound was passed.
    int pagesRead;
    std::size_t filesListed;
    std::size_t stoppedBy;
};

const CBoundCase kBoundCases[] = {
    // The 51st file, on the third page, is refused: the list keeps exactly the first 50.
    {"files", "zip", {50, 1000}, 3, 50, 50},
    // After four pages the store and the visited set hold 87 entries (7 pages, 80 files).
    {"store", "zip", {1000, 80}, 4, 80, 80},
    // After four pages the visited set (87) and the kept decisions (80) reach 80.
    {"decisions", "txt", {1000, 80}, 4, 0, 80},
};

// Six pages below a start page, each with twenty distinct links: files that are listed, or
// documents that are only met (their decisions are kept apart). Small bounds stand in for the
// million of a real crawl.
class CrawlBounds : public CCrawlTest, public testing::WithParamInterface<CBoundCase>
{
protected:
    static constexpr int kPages = 6;
    static constexpr int kLinksPerPage = 20;

    void Serve(const char* extension)
    {
        std::string index;
        for (int page = 1; page <= kPages; ++page)
        {
            index += "<a href=\"p" + std::to_string(page) + ".htm\">page</a>\n";
            std::string html;
            for (int link = 1; link <= kLinksPerPage; ++link)
            {
                const int number = (page - 1) * kLinksPerPage + link;
                html += "<a href=\"" + FileName(number, extension) + "\">x</a>\n";
            }
            m_site.Page("/p" + std::to_string(page) + ".htm", html);
        }
        m_site.Page("/index.htm", index);
    }

    CTestSite m_site;
};

TEST_P(CrawlBounds, StopReadingPastTheBoundAndSayItOnce)
{
    const CBoundCase& c = GetParam();
    m_core->SetCrawlBounds(c.bounds);
    Serve(c.extension);

    Crawl(m_site.Url("/index.htm"), 1);

    std::vector<std::string> read = {"/index.htm"};
    for (int page = 1; page <= c.pagesRead; ++page)
        read.push_back("/p" + std::to_string(page) + ".htm");
    EXPECT_EQ(m_site.Gets(), read);
    std::vector<std::string> listed;
    for (std::size_t file = 1; file <= c.filesListed; ++file)
        listed.push_back(m_site.Url("/" + FileName(file, "zip")));
    EXPECT_EQ(ListUrls(), listed);

    const std::string message = CrawlBoundMessage(c.stoppedBy);
    EXPECT_EQ(Occurrences(ReadFileBytes(m_dir.File("hvstr.log")), message + "\n"), 1);
    EXPECT_EQ(m_frame.Count<CCrawlStoppedEvent>([&](const CCrawlStoppedEvent& e)
                                                { return e.text == message; }),
              1);
    EXPECT_EQ(m_frame.Count<CCrawlStoppedEvent>(), 1);
    // The message stays the last status text: no summary follows it.
    EXPECT_EQ(m_frame.Count<CStatusTextEvent>(), 1) << "only 'Browsing'";
    EXPECT_EQ(m_frame.Count<CBrowseFinishedEvent>([](const CBrowseFinishedEvent& e)
                                                  { return e.summary.empty(); }),
              1);
    EXPECT_EQ(m_core->m_unreadStartPages.load(), 0u);

    // The first page not read says why.
    CDecision decision;
    std::string foundOn;
    const std::string next = m_site.Url("/p" + std::to_string(c.pagesRead + 1) + ".htm");
    ASSERT_TRUE(m_core->m_urlStore.ReadDecision(next, decision, foundOn));
    EXPECT_EQ(decision.reason, CReason::CrawlBound);
    EXPECT_EQ(decision.limit, c.stoppedBy);
    // Nothing is kept of the first file past the bound.
    const std::string refused = m_site.Url("/" + FileName(c.filesListed + 1, "zip"));
    EXPECT_EQ(m_core->m_urlStore.Find(refused), nullptr);
    EXPECT_FALSE(m_core->m_letGoDecisions.Find(refused).has_value());
}

INSTANTIATE_TEST_SUITE_P(Bounds, CrawlBounds, testing::ValuesIn(kBoundCases),
                         [](const testing::TestParamInfo<CBoundCase>& info)
                         { return std::string(info.param.name); });

TEST(CrawlBoundMessage, GroupsTheBoundByThousands)
{
    EXPECT_EQ(CrawlBoundMessage(1'000'000), "Stopped: more than 1,000,000 links");
    EXPECT_EQ(CrawlBoundMessage(1000), "Stopped: more than 1,000 links");
}

} // namespace
