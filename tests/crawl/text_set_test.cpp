#include "crawl/TextSet.h"
#include "platform/TextArena.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{

TEST(TextSet, ComparesEveryByteExactly)
{
    CTextSet set;
    const std::string withNul("http://h/a\0b", 12);
    for (const std::string& text :
         std::vector<std::string>{"http://h/Page.HTM", "", "http://h/%41", withNul})
        EXPECT_TRUE(set.Insert(text)) << text;

    EXPECT_FALSE(set.Insert("http://h/Page.HTM"));
    // Letter case counts: most servers tell CASE.zip from case.zip.
    EXPECT_TRUE(set.Insert("http://h/page.htm"));
    EXPECT_TRUE(set.Contains(""));
    EXPECT_TRUE(set.Contains(withNul));
    // A prefix is another text, and so is a text that differs after a NUL.
    for (const char* other :
         {"http://h/A", "http://h/%61", "http://h/page.ht", "http://h/page.htm ", "\xC3\x89"})
        EXPECT_FALSE(set.Contains(other)) << other;
    EXPECT_FALSE(set.Contains(std::string("http://h/a\0c", 12)));
    EXPECT_EQ(set.Size(), 5u);
}

TEST(TextSet, EveryByteOfEveryLengthCounts)
{
    // Texts are read in words of eight bytes: each length up to two words and a tail, and each
    // byte of it, must take part.
    CTextSet set;
    const std::string alphabet = "abcdefghijklmnopq";
    for (std::size_t length = 1; length <= alphabet.size(); ++length)
        ASSERT_TRUE(set.Insert(alphabet.substr(0, length)));
    for (std::size_t length = 1; length <= alphabet.size(); ++length)
    {
        const std::string text = alphabet.substr(0, length);
        EXPECT_TRUE(set.Contains(text)) << text;
        for (std::size_t i = 0; i < length; ++i)
        {
            std::string other = text;
            other[i] = '!';
            EXPECT_FALSE(set.Contains(other)) << other;
            other[i] = static_cast<char>(text[i] - 'a' + 'A');
            EXPECT_FALSE(set.Contains(other)) << other;
        }
    }
}

TEST(TextSet, GrowsPastBlocksAndTakesTextsLongerThanABlock)
{
    CTextSet set;
    const std::string longText(200 * 1024, 'Q');
    ASSERT_TRUE(set.Insert(longText));
    constexpr int kCount = 60000;
    for (int i = 0; i < kCount; ++i)
        ASSERT_TRUE(set.Insert("http://site.example/dir/page" + std::to_string(i) + ".htm"));
    for (int i = 0; i < kCount; i += 7)
        EXPECT_TRUE(set.Contains("http://site.example/dir/page" + std::to_string(i) + ".htm"));
    EXPECT_FALSE(set.Contains("http://site.example/dir/page60000.htm"));
    EXPECT_TRUE(set.Contains(longText));
    EXPECT_FALSE(set.Contains(std::string(200 * 1024, 'q')));
    EXPECT_EQ(set.Size(), kCount + 1u);
}

TEST(TextArena, KeptTextsStayWhereTheyAre)
{
    CTextArena arena;
    std::vector<std::string_view> kept;
    for (int i = 0; i < 20000; ++i)
        kept.push_back(arena.Keep("text " + std::to_string(i)));
    kept.push_back(arena.Keep(std::string(100 * 1024, 'x')));
    kept.push_back(arena.Keep(""));
    kept.push_back(arena.Keep("after"));
    for (int i = 0; i < 20000; ++i)
        ASSERT_EQ(kept[i], "text " + std::to_string(i));
    EXPECT_EQ(kept[20000], std::string(100 * 1024, 'x'));
    EXPECT_EQ(kept[20001], "");
    EXPECT_EQ(kept[20002], "after");
}

} // namespace
