#include "crawl/LinkScanner.h"
#include "crawl/ReferenceScanner.h"
#include "url/Url.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace
{

struct CScan
{
    std::vector<std::string> values;
    bool hasBase = false;
    std::string base;
};

CScan Scan(std::string text, const std::vector<std::string>& keywords = {})
{
    CScan scan;
    const CUrl page("http://h/");
    const auto keep = [&scan](std::string& value, const CUrl&)
    {
        scan.values.push_back(value);
        return true;
    };
    const CPageScanResult result = ScanPage(text, page, keywords, CScanOutput{keep, nullptr});
    scan.hasBase = result.m_hasBase;
    scan.base = result.m_base;
    return scan;
}

std::string Repeat(const std::string& piece, std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text += piece;
    return text;
}

// Pages that open many tags and close few: every tag of a run ends at the same ">" or at the
// end of the text. The scan agrees with the plain rules value for value.
TEST(UnclosedTags, AgreeWithThePlainRules)
{
    const char* pieces[] = {"<",     "<",      "<",     " ",     "a ",   "A",       "img ",
                            "area ", "frAme ", "base ", " href", " SRC", "=",       "\"",
                            "'",     "x.zip",  "s",     "d",     "y",    " href=z", ">"};
    const std::vector<std::vector<std::string>> keywordLists = {{}, {"setup", "Driver"}, {"<a"}};
    std::mt19937 random(17);
    for (int round = 0; round < 30000; ++round)
    {
        std::string page;
        // The closing ">" is rare: most runs of tags share their end.
        for (unsigned n = random() % 60; n > 0; --n)
        {
            const std::size_t piece = random() % std::size(pieces);
            if (piece + 1 == std::size(pieces) && random() % 4 != 0)
                continue;
            page += pieces[piece];
        }
        const auto& keywords = keywordLists[random() % keywordLists.size()];
        const reference::CPageScan expected = reference::ScanPage(page, keywords);
        const CScan scan = Scan(page, keywords);
        ASSERT_EQ(scan.values, expected.m_values) << testing::PrintToString(page);
        ASSERT_EQ(scan.hasBase, expected.m_hasBase) << testing::PrintToString(page);
        ASSERT_EQ(scan.base, expected.m_base) << testing::PrintToString(page);
    }
}

// Five megabytes of tags that never close are scanned once, not once per tag (which took
// hours): the test would run into its time-out otherwise.
TEST(UnclosedTags, HugeRunsOfOpenTagsEnd)
{
    constexpr std::size_t kTags = 512 * 1024;
    EXPECT_TRUE(Scan(Repeat("<b c <a d ", kTags)).values.empty());
    EXPECT_EQ(Scan(Repeat("<a href=x ", kTags)).values.size(), kTags);
    EXPECT_EQ(Scan("<a title=\"" + Repeat("<img alt=y ", kTags) + "<img src=z.gif>").values,
              std::vector<std::string>{"z.gif"});
    EXPECT_EQ(Scan(Repeat("<base x ", kTags) + "<base href=b/>").base, "b/");
    EXPECT_TRUE(Scan(Repeat("sssss ", kTags), {"s"}).values.empty());
}

} // namespace
