#include "ReferenceScanner.h"
#include "crawl/LinkScanner.h"
#include "crawl/ScanSteps.h"
#include "url/Url.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace
{

struct ScanResult
{
    std::vector<std::string> values;
    int offers = 0;
    bool hasBase = false;
    std::string base;
};

// One page as a browse thread scans it.
ScanResult Scan(std::string text, const std::vector<std::string>& keywords = {})
{
    ScanResult result;
    const CUrl page("http://h/a/index.htm");
    std::vector<std::string> linkBases;
    const CScanOutput output{[&](std::string& value, const CUrl& base)
                             {
                                 result.values.push_back(value);
                                 linkBases.push_back(base.m_url);
                                 return true;
                             },
                             [&] { ++result.offers; }};
    const CPageScanResult scan = ScanPage(text, page, keywords, output);
    result.hasBase = scan.m_hasBase;
    result.base = scan.m_base;
    EXPECT_EQ(scan.m_keywordFound, result.offers == 1);
    std::string base = scan.m_base.empty() ? page.m_url : scan.m_base;
    if (!scan.m_base.empty() && CUrl(scan.m_base).Host().empty())
    {
        EXPECT_TRUE(ResolveLink(page, base)) << "a relative base resolves against the page";
    }
    for (const std::string& linkBase : linkBases)
        EXPECT_EQ(linkBase, base) << "links resolve against the base tag, else the page";
    return result;
}

using Values = std::vector<std::string>;

// ---- White space ----------------------------------------------------------------------------

struct CollapseCase
{
    std::string in;
    std::string out;
};

TEST(CollapseWhitespace, Cases)
{
    const CollapseCase cases[] = {
        {"", ""},
        {"a  b", "a b"},
        {"a \t\r\n\v\f b", "a b"},
        {"\r\n<a\r\n\thref=x>", " <a href=x>"},
        {"a\x01\x1f\x7f"
         "b",
         "ab"},
        // Bytes above 127 stay: the UTF-8 of a link must survive.
        {"caf\xc3\xa9.zip", "caf\xc3\xa9.zip"},
        // A dropped control character ends a run of white space.
        {" \x01 ", "  "},
        {std::string("ab\0cd", 5), "ab"},
    };
    for (const CollapseCase& c : cases)
    {
        std::string text = c.in;
        const std::size_t length = CollapseWhitespace(text.data());
        EXPECT_EQ(length, c.out.size()) << testing::PrintToString(c.in);
        EXPECT_EQ(std::string(text.c_str()), c.out) << testing::PrintToString(c.in);
    }
}

TEST(CollapseWhitespace, MatchesTheRuleOnRandomText)
{
    const char alphabet[] = {' ', ' ', '\t', '\n', '\r', 'a', '<', '"', '\x01', '\x7f', '\xc3'};
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round)
    {
        std::string text(random() % 200, ' ');
        for (char& c : text)
            c = alphabet[random() % sizeof alphabet];
        std::string collapsed = text;
        const std::size_t length = CollapseWhitespace(collapsed.data());
        const std::string expected = reference::Collapse(text);
        ASSERT_EQ(std::string(collapsed.c_str()), expected) << testing::PrintToString(text);
        ASSERT_EQ(length, expected.size());
    }
}

// ---- Link values ----------------------------------------------------------------------------

struct PageCase
{
    const char* name;
    std::string page;
    Values values;
};

void PrintTo(const PageCase& c, std::ostream* os)
{
    *os << c.name;
}

class LinkValues : public testing::TestWithParam<PageCase>
{
};

TEST_P(LinkValues, AreFoundInOrder)
{
    const ScanResult result = Scan(GetParam().page);
    EXPECT_EQ(result.values, GetParam().values);
    EXPECT_EQ(result.offers, 0) << "no keywords, no offer";
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, LinkValues, testing::Values(
    PageCase{"LineBreaksAndTabs", "<a\r\n\thref  =  \"one.htm\"\r\n>x</a>\r\n<img\tsrc=p.gif>", {"one.htm", "p.gif"}},
    PageCase{"OneLine", "<a href = \"one.htm\" >x</a> <img src=p.gif>", {"one.htm", "p.gif"}},
    PageCase{"Capitals", "<A HREF=\"X.ZIP\">", {"X.ZIP"}},
    PageCase{"UnquotedBeforeBracket", "<a href=u.htm>text</a>", {"u.htm"}},
    PageCase{"SingleQuotesDelimit", "<a href='y.htm'>", {"y.htm"}},
    PageCase{"SingleQuoteInsideKept", "<a href=it's.htm>", {"it's.htm"}},
    PageCase{"OtherQuoteInsideKept", "<a href=\"it's.htm\"><a href='say\"hi\".htm'>", {"it's.htm", "say\"hi\".htm"}},
    // A quoted value runs to its closing quote; the blanks at its ends go.
    PageCase{"QuotedBlanks", "<a href=\"sp ace.zip\"><a href=' x y.zip '><a href=\"\n\tz.zip\r\n\">", {"sp ace.zip", "x y.zip", "z.zip"}},
    // Tabs and line breaks inside go, blanks stay as written.
    PageCase{"QuotedLineBreaks", "<a href=\"long/pa\r\n\tth.zip\"><img src='a  b \n c.gif'><a href=\"\x01 \x01 d.zip\">", {"long/path.zip", "a  b  c.gif", "d.zip"}},
    PageCase{"QuotedBracket", "<a href=\"a>b.zip\" title=t>", {"a>b.zip"}},
    PageCase{"UnquotedEndsAtBlankOrBracket", "<a href=a\"b.zip c><img src=d'e.gif>", {"a\"b.zip", "d'e.gif"}},
    PageCase{"UnclosedQuoteRunsOn", "<a href=\"open.zip><a href=\"x.zip\">", {"open.zip><a href="}},
    PageCase{"SingleQuotedThenTag", "<a href='y.htm'title=x><img src='p.gif'>", {"y.htm", "p.gif"}},
    PageCase{"ImageWithBorderFirst", "<img border=0 src=\"p.gif\">", {"p.gif"}},
    PageCase{"IframeThroughFrame", "<iframe src=\"f.htm\"></iframe>", {"f.htm"}},
    PageCase{"FrameAndArea", "<frame src=a.htm><area shape=rect href=b.htm>", {"a.htm", "b.htm"}},
    PageCase{"NameOnly", "<a name=\"top\">x</a><a href=n.htm>", {"n.htm"}},
    PageCase{"EmptyValue", "<a href=\"\">", {""}},
    PageCase{"Hreflang", "<a hreflang=en href=\"real.htm\">", {"lang=en"}},
    PageCase{"TagWordInValue", "<span title=\"a href=z.zip\">", {"z.zip\""}},
    PageCase{"NoBlankInTag", "<a>x</a><br><img/src=q.gif>", {}},
    PageCase{"Utf8Value", "<a href=caf\xc3\xa9.zip>", {"caf\xc3\xa9.zip"}},
    PageCase{"UnterminatedAtEnd", "<a href=1.htm><a href=\"open", {"1.htm"}},
    PageCase{"UnterminatedSingleAtEnd", "<a href=1.htm><a href='open ing>", {"1.htm"}},
    PageCase{"AttributeWordAtEnd", "<a href", {}},
    PageCase{"StopAtEnd", "<a href=1.htm><", {"1.htm"}},
    PageCase{"NamedReferences", "<a href=\"r.cgi?a=1&amp;b=2&lt;&gt;&quot;&apos;\">", {"r.cgi?a=1&b=2<>\"'"}},
    PageCase{"NumericReferences", "<a href='&#65;&#x42;&#X43;&#233;&#x1F600;.zip'>", {"ABC\xc3\xa9\xf0\x9f\x98\x80.zip"}},
    PageCase{"DecodedOnce", "<a href=a&amp;amp;b>", {"a&amp;b"}},
    PageCase{"OthersStayText", "<a href=\"&nbsp;&amp&AMP;&#;&#x;&#10;&#0;&#128;&#xD800;&#1114112;&#00000065;&\">",
             {"&nbsp;&amp&AMP;&#;&#x;&#10;&#0;&#128;&#xD800;&#1114112;&#00000065;&"}}),
    [](const testing::TestParamInfo<PageCase>& info) { return info.param.name; });
// clang-format on

TEST(NextLink, UnquotedValueMovesPastTheBracket)
{
    std::string text = "<a href=x.zip>after";
    CStopSet stopSet;
    BuildStopSet({}, stopSet);
    CScanCursor cursor(text.c_str());
    bool keywordFound = false;
    std::string value;
    ASSERT_TRUE(NextLink(cursor, value, stopSet, {}, keywordFound));
    EXPECT_EQ(value, "x.zip");
    EXPECT_STREQ(cursor.m_at, "after");
}

TEST(NextLink, StopSetNeverBuiltEndsTheScanSafely)
{
    std::string text = "<a href=x.zip>";
    CScanCursor cursor(text.c_str());
    bool keywordFound = false;
    std::string value;
    EXPECT_FALSE(NextLink(cursor, value, CStopSet{}, {}, keywordFound));
    EXPECT_EQ(cursor.m_at, cursor.m_end);
}

// Values longer than the 1023-character buffer are skipped, not cut; the scan goes on.
TEST(NextLink, SkipsValuesThatDoNotFitTheBuffer)
{
    const std::string fits(kMaxLinkValueLength, 'f');
    const std::string tooLong(kMaxLinkValueLength + 1, 'g');
    const ScanResult result =
        Scan("<a href=\"" + fits + "\"><img src=" + tooLong + "><a href=next.htm>");
    EXPECT_EQ(result.values, (Values{fits, "next.htm"}));

    const ScanResult longBase = Scan("<base href=\"http://h/" + tooLong + "\">");
    EXPECT_FALSE(longBase.hasBase);
}

// ---- Base tag -------------------------------------------------------------------------------

TEST(FindBaseHref, FirstBaseGovernsEveryLink)
{
    const ScanResult result =
        Scan("<a href=x.zip><BASE\nHREF=\"http://h/other/\"><base href=http://h/second/>");
    ASSERT_TRUE(result.hasBase);
    EXPECT_EQ(result.base, "http://h/other/");

    CUrl base;
    base.Reparse(result.base);
    std::string link = result.values.at(0);
    ASSERT_TRUE(ResolveLink(base, link));
    EXPECT_EQ(link, "http://h/other/x.zip");
}

TEST(FindBaseHref, RelativeBaseResolvesAgainstThePage)
{
    std::string text = "<base href=\"../up/\"><a href=x.zip>";
    std::string link;
    const CUrl page("http://h/a/b/index.htm");
    ScanPage(text, page, {},
             CScanOutput{[&](std::string& value, const CUrl& base)
                         {
                             link = value;
                             return ResolveLink(base, link);
                         },
                         {}});
    EXPECT_EQ(link, "http://h/a/up/x.zip");
}

TEST(FindBaseHref, ReferencesAreDecoded)
{
    const ScanResult result = Scan("<base href=\"http://h/a&amp;b/\">");
    EXPECT_EQ(result.base, "http://h/a&b/");
}

TEST(FindBaseHref, NoneOrNoValue)
{
    for (const char* page : {"<a href=x>", "<base target=_top>", "<base href=\"http://h/"})
    {
        std::string text = page;
        CUrl base;
        EXPECT_FALSE(FindBaseHref(CScanCursor(text.c_str()), base)) << page;
        EXPECT_TRUE(base.m_url.empty());
    }
}

TEST(FindBaseHref, FoundAtEveryPlaceOfASixteenByteBlock)
{
    // The quick look for a base tag goes sixteen bytes at a time: the tag is found wherever it
    // starts, and words that only share its first letters are not taken for it.
    for (std::size_t filler = 0; filler < 40; ++filler)
    {
        for (const char* tag : {"<BaSe href=http://h/b/>", "<bas e href=x>", "<babe href=x>"})
        {
            std::string text = std::string(filler, 'x') + " ba " + tag;
            CUrl base;
            EXPECT_EQ(FindBaseHref(CScanCursor(text.c_str()), base), tag[1] == 'B')
                << filler << tag;
        }
    }
}

// ---- Keywords -------------------------------------------------------------------------------

TEST(BuildStopSet, HoldsFirstLettersInBothCases)
{
    CStopSet stopSet;
    BuildStopSet(std::vector<std::string>{"setup", "Driver"}, stopSet);
    EXPECT_EQ(stopSet.m_chars, "<sSdD");
    BuildStopSet({}, stopSet);
    EXPECT_EQ(stopSet.m_chars, "<");
    // An empty keyword has no first letter; "7" has no case.
    BuildStopSet(std::vector<std::string>{"", "7zip"}, stopSet);
    EXPECT_EQ(stopSet.m_chars, "<77");
}

TEST(Keywords, PageIsOfferedOnceAndLinksStillReturned)
{
    const ScanResult result =
        Scan("<a href=1.htm> get SETUP and setup.exe <a href=2.zip>", {"setup", "Driver"});
    EXPECT_EQ(result.offers, 1);
    EXPECT_EQ(result.values, (Values{"1.htm", "2.zip"}));

    EXPECT_EQ(Scan("no word here <a href=1.htm>", {"setup"}).offers, 0);
    EXPECT_EQ(Scan("a setu", {"setup"}).offers, 0) << "a partial word at the end";
}

// After a keyword every stop starts a tag, so ordinary text can supply the tag word.
TEST(Keywords, AfterAHitTextCanSupplyTheTagWord)
{
    const std::string page = "Setup: visit a site <b href=q.zip>";
    EXPECT_EQ(Scan(page).values, Values{});
    EXPECT_EQ(Scan(page, {"setup"}).values, Values{"q.zip"});
}

TEST(Keywords, MatchTheTextWithItsReferencesDecoded)
{
    EXPECT_EQ(Scan("AT&amp;T news", {"at&t"}).offers, 1);
    EXPECT_EQ(Scan("AT&#38;T news", {"at&t"}).offers, 1);
    EXPECT_EQ(Scan("AT&amp;T news", {"at&amp;t"}).offers, 1) << "as written, too";
    EXPECT_EQ(Scan("AT&T&amp;", {"at&amp;t"}).offers, 0);
}

TEST(MatchKeyword, CaseAndEmptyKeyword)
{
    const std::string text = "DrIvEr";
    EXPECT_TRUE(MatchKeyword(text.c_str(), std::vector<std::string>{"x", "driver"}));
    EXPECT_FALSE(MatchKeyword(text.c_str(), std::vector<std::string>{"drivers"}));
    EXPECT_TRUE(MatchKeyword(text.c_str(), std::vector<std::string>{""}));
    EXPECT_FALSE(MatchKeyword(text.c_str(), {}));
}

// ---- Against the plain rules ------------------------------------------------------------

TEST(MatchTagAttribute, AgreesWithThePlainWalk)
{
    const char* pieces[] = {" ",   "a", "A ", "img", "frame", "area", " href", "HREF",
                            "src", "=", "\"", ">",   "<",     "x",    "e "};
    std::mt19937 random(11);
    for (int round = 0; round < 20000; ++round)
    {
        std::string text;
        for (unsigned n = random() % 12; n > 0; --n)
            text += pieces[random() % std::size(pieces)];
        for (const CTagAttributePair& pair : kLinkTagPairs)
        {
            const char* walked = text.c_str();
            CScanCursor matched(text.c_str());
            const bool expected =
                reference::MatchTagAttribute(walked, pair.m_tag, pair.m_attribute);
            ASSERT_EQ(MatchTagAttribute(matched, pair.m_tag, pair.m_attribute), expected)
                << text << " / " << pair.m_tag;
            ASSERT_EQ(matched.m_at, walked) << text << " / " << pair.m_tag;
        }
    }
}

// Whole pages of tag fragments, keyword letters, white space and control bytes, scanned with
// and without keywords, agree with the plain rules value for value.
TEST(NextLink, AgreesWithThePlainRulesOnRandomPages)
{
    const char* pieces[] = {"<",     ">",    " ",      "\r\n",     "\t",        "a ",
                            "A",     "img ", "fRaMe ", "area ",    "base ",     " href",
                            " SRC",  "=",    "\"",     "'",        "x.zip",     "SeTuP",
                            "s",     "d",    "\x01",   "\xc3\xa9", "http://h/", "&",
                            "&amp;", "&#",   "x",      "41;",      "&#x3C;",    ";"};
    const std::vector<std::vector<std::string>> keywordLists = {
        {}, {"setup", "Driver"}, {"", "x"}, {"<a", "a&<"}};
    std::mt19937 random(5);
    for (int round = 0; round < 20000; ++round)
    {
        std::string page;
        for (unsigned n = random() % 40; n > 0; --n)
            page += pieces[random() % std::size(pieces)];
        const std::vector<std::string>& keywords = keywordLists[random() % keywordLists.size()];
        const reference::CPageScan expected = reference::ScanPage(page, keywords);
        const ScanResult result = Scan(page, keywords);
        ASSERT_EQ(result.values, expected.m_values) << testing::PrintToString(page);
        ASSERT_EQ(result.hasBase, expected.m_hasBase) << testing::PrintToString(page);
        ASSERT_EQ(result.base, expected.m_base) << testing::PrintToString(page);
        ASSERT_EQ(result.offers, expected.m_offers) << testing::PrintToString(page);
    }
}

} // namespace
