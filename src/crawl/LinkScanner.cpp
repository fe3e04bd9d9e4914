#include "crawl/LinkScanner.h"

#include "url/Url.h"

#include <cstdint>
#include <cstring>

namespace
{

// Folds A to Z only; bytes above 127 stay as they are.
constexpr std::array<unsigned char, 256> MakeFoldTable()
{
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return table;
}
constexpr std::array<unsigned char, 256> kFold = MakeFoldTable();

// Characters that end a link value: blank, double quote, ">" and the terminator.
constexpr std::array<bool, 256> MakeValueEndTable()
{
    std::array<bool, 256> table{};
    table[0] = table[' '] = table['"'] = table['>'] = true;
    return table;
}
constexpr std::array<bool, 256> kValueEnd = MakeValueEndTable();

inline unsigned char Byte(const char* p)
{
    return static_cast<unsigned char>(*p);
}

// True when text begins with word, folding A to Z on both sides. The terminator never
// matches, so the comparison cannot run past the end of the text.
bool StartsWithNoCase(const char* text, std::string_view word)
{
    for (std::size_t i = 0; i < word.size(); ++i)
    {
        const unsigned char c = Byte(text + i);
        if (c == 0 || kFold[c] != kFold[static_cast<unsigned char>(word[i])])
            return false;
    }
    return true;
}

// The end of the tag that starts at cursor: its first ">" or the terminator.
const char* TagEnd(const char* cursor)
{
    return strchrnul(cursor, '>');
}

// Where the tag word (which ends with a blank) first occurs in [begin, end): the position of
// its trailing blank, or nullptr. A match cannot cross ">" or the end since the word holds
// neither, so looking at each blank and the letters before it finds the same first occurrence
// as trying the word at every position.
const char* FindTagWordBlank(const char* begin, const char* end, std::string_view tag)
{
    const std::size_t stem = tag.size() - 1;
    const char* blank = begin;
    while ((blank = static_cast<const char*>(std::memchr(blank, ' ', end - blank))) != nullptr)
    {
        if (static_cast<std::size_t>(blank - begin) >= stem &&
            StartsWithNoCase(blank - stem, tag.substr(0, stem)))
            return blank;
        ++blank;
    }
    return nullptr;
}

// Where the attribute word (which begins with a blank) first occurs in [from, end): the
// position just after it, or nullptr.
const char* FindAttributeWordEnd(const char* from, const char* end, std::string_view attribute)
{
    const std::string_view rest = attribute.substr(1);
    const char* blank = from;
    while ((blank = static_cast<const char*>(std::memchr(blank, ' ', end - blank))) != nullptr)
    {
        ++blank;
        if (StartsWithNoCase(blank, rest))
            return blank + rest.size();
    }
    return nullptr;
}

// A walk for words of any shape: at each position before ">" or the end, first look for the
// tag word; once found, move to its last character and look for the attribute word.
bool MatchTagAttributeByWalk(const char*& cursor, std::string_view tag, std::string_view attribute)
{
    bool tagFound = tag.empty();
    for (const char* q = cursor; *q != '\0' && *q != '>'; ++q)
    {
        if (!tagFound && StartsWithNoCase(q, tag))
        {
            tagFound = true;
            q += tag.size() - 1;
        }
        if (tagFound && StartsWithNoCase(q, attribute))
        {
            cursor = q + attribute.size();
            return true;
        }
    }
    return false;
}

bool IsBlankBounded(std::string_view tag, std::string_view attribute)
{
    return !tag.empty() && tag.back() == ' ' && !attribute.empty() && attribute.front() == ' ';
}

// MatchTagAttribute for a tag whose end is already known.
bool MatchTagAttributeWithin(const char*& cursor, const char* end, std::string_view tag,
                             std::string_view attribute)
{
    const char* tagBlank = FindTagWordBlank(cursor, end, tag);
    if (tagBlank == nullptr)
        return false;
    const char* after = FindAttributeWordEnd(tagBlank, end, attribute);
    if (after == nullptr)
        return false;
    cursor = after;
    return true;
}

enum class EValue
{
    kFound,
    kNone,    // the value runs into the end of the text, or there is nothing after the word
    kTooLong, // the value does not fit the value buffer and is skipped
};

// Reads the value that follows an attribute word; the cursor ends just after the character
// that ended the value, or at the terminator when there is no value. A single quote is an
// ordinary character.
EValue ExtractValue(const char*& cursor, std::string& value)
{
    const char* p = cursor;
    while (*p == ' ' || *p == '=' || *p == '"')
        ++p;
    const char* start = p;
    while (!kValueEnd[Byte(p)])
        ++p;
    if (*p == '\0')
    {
        cursor = p;
        return EValue::kNone;
    }
    cursor = p + 1;
    const auto length = static_cast<std::size_t>(p - start);
    if (length > kMaxLinkValueLength)
        return EValue::kTooLong;
    value.assign(start, length);
    return EValue::kFound;
}

// Moves the cursor to the next character of the stop set (its own character counts); the
// terminator always stops.
const char* NextStop(const char* cursor, const CStopSet& stopSet)
{
    if (stopSet.m_chars.size() == 1)
        return strchrnul(cursor, stopSet.m_chars[0]);
    while (!stopSet.m_table[Byte(cursor)])
        ++cursor;
    return cursor;
}

} // namespace

bool MatchTagAttribute(const char*& cursor, std::string_view tag, std::string_view attribute)
{
    if (!IsBlankBounded(tag, attribute))
        return MatchTagAttributeByWalk(cursor, tag, attribute);
    return MatchTagAttributeWithin(cursor, TagEnd(cursor), tag, attribute);
}

bool MatchKeyword(const char* position, std::span<const std::string> keywords)
{
    for (const std::string& keyword : keywords)
    {
        if (StartsWithNoCase(position, keyword))
            return true;
    }
    return false;
}

void BuildStopSet(std::span<const std::string> keywords, CStopSet& stopSet)
{
    stopSet.m_chars = "<";
    for (const std::string& keyword : keywords)
    {
        // An empty keyword has no first character; the terminator is no stop of its own.
        if (keyword.empty() || keyword[0] == '\0')
            continue;
        const auto lower = kFold[static_cast<unsigned char>(keyword[0])];
        const auto upper = lower >= 'a' && lower <= 'z' ? lower - 'a' + 'A' : lower;
        stopSet.m_chars += static_cast<char>(lower);
        stopSet.m_chars += static_cast<char>(upper);
    }
    stopSet.m_table.fill(false);
    stopSet.m_table[0] = true;
    for (const char c : stopSet.m_chars)
        stopSet.m_table[static_cast<unsigned char>(c)] = true;
}

bool FindBaseHref(const char* text, CUrl& base)
{
    const char* p = text;
    while ((p = std::strchr(p, '<')) != nullptr)
    {
        ++p;
        const char* cursor = p;
        if (!MatchTagAttribute(cursor, kBaseTagPair.m_tag, kBaseTagPair.m_attribute))
            continue;
        std::string value;
        if (ExtractValue(cursor, value) != EValue::kFound)
            return false;
        base.m_url = std::move(value);
        base.Parse();
        return true;
    }
    return false;
}

bool NextLink(const char*& cursor, std::string& value, CUrl& page, const CStopSet& stopSet,
              bool& keywordFound, const CScanContext& context)
{
    for (;;)
    {
        cursor = NextStop(cursor, stopSet);
        if (*cursor == '\0')
            return false;
        if (*cursor != '<' && !keywordFound)
        {
            if (MatchKeyword(cursor, context.m_keywords))
            {
                keywordFound = true;
                if (context.m_onKeywordHit)
                    context.m_onKeywordHit(page);
            }
            ++cursor;
            continue;
        }

        ++cursor;
        const char* const end = TagEnd(cursor);
        // Every pair needs a blank inside the tag; most tags (closing tags, bare names) have
        // none and are passed over at once.
        if (std::memchr(cursor, ' ', end - cursor) == nullptr)
            continue;
        for (const CTagAttributePair& pair : kLinkTagPairs)
        {
            const char* at = cursor;
            if (!MatchTagAttributeWithin(at, end, pair.m_tag, pair.m_attribute))
                continue;
            const EValue found = ExtractValue(at, value);
            cursor = at;
            if (found != EValue::kTooLong)
                return found == EValue::kFound;
            break; // too long: skipped, the scan goes on after it
        }
    }
}
