#include "crawl/LinkScanner.h"

#include "crawl/CharacterReferences.h"
#include "crawl/ScanBytes.h"
#include "crawl/ScanSteps.h"
#include "url/Url.h"

#include <cassert>
#include <cstring>

using scan_bytes::Byte;
using scan_bytes::kFold;
using scan_bytes::StartsWithNoCase;

namespace
{

bool IsBlankBounded(std::string_view tag, std::string_view attribute)
{
    return !tag.empty() && tag.back() == ' ' && !attribute.empty() && attribute.front() == ' ';
}

// The tag walk for words of any shape: at each position before ">" or the end, first look for
// the tag word; once found, move to its last character and look for the attribute word there
// and after.
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

// The same walk for blank-bounded words, for several pairs at once: the first pair, in order,
// whose tag word and then attribute word occur in the tag that starts at begin. A tag word ends
// with a blank and cannot cross ">" or the end (it holds neither), so looking back from each
// blank finds its first occurrence; an attribute word begins with a blank, so looking forward
// from each blank at or after the tag word's finds the attribute word. The memo keeps what the
// walk found for the next tag that starts before this one's end.
template <std::size_t N>
void WalkTag(const char* begin, const char* end, const std::array<CTagAttributePair, N>& pairs,
             CTagWalkMemo<N>& memo)
{
    memo.m_from = begin;
    memo.m_tagBlank.fill(nullptr);
    memo.m_attributeFrom.fill(nullptr);
    std::size_t missing = N;
    memo.m_tagEnd = scan_bytes::WalkToTagEnd(
        begin, end,
        [&](const char* blank)
        {
            if (missing == 0)
                return;
            const auto before = static_cast<std::size_t>(blank - begin);
            for (std::size_t k = 0; k < N; ++k)
            {
                const std::string_view stem = pairs[k].m_tag.substr(0, pairs[k].m_tag.size() - 1);
                if (memo.m_tagBlank[k] == nullptr && before >= stem.size() &&
                    StartsWithNoCase(blank - stem.size(), stem))
                {
                    memo.m_tagBlank[k] = blank;
                    --missing;
                }
            }
        });
}

// A tag that starts at begin, inside the tag the memo walked: no ">" lies between, so it ends
// where that one ends, and a tag word found then is still the first unless it starts before
// begin. Only those are looked for again, from begin on.
template <std::size_t N>
void RefreshTagWords(const char* begin, const std::array<CTagAttributePair, N>& pairs,
                     CTagWalkMemo<N>& memo)
{
    for (std::size_t k = 0; k < N; ++k)
    {
        const std::string_view stem = pairs[k].m_tag.substr(0, pairs[k].m_tag.size() - 1);
        const char* blank = memo.m_tagBlank[k];
        if (blank == nullptr || blank - begin >= static_cast<std::ptrdiff_t>(stem.size()))
            continue;
        memo.m_tagBlank[k] =
            scan_bytes::FindBlank(begin, memo.m_tagEnd,
                                  [begin, stem](const char* at)
                                  {
                                      return static_cast<std::size_t>(at - begin) >= stem.size() &&
                                             StartsWithNoCase(at - stem.size(), stem);
                                  });
    }
}

// The first blank at or after the tag word's of pair k, before the tag's end, that the
// attribute word follows; nullptr when there is none. Looked for again only when the tag word
// moved past what was found.
template <std::size_t N>
const char* FindAttributeBlank(std::size_t k, const std::array<CTagAttributePair, N>& pairs,
                               CTagWalkMemo<N>& memo)
{
    const char* tagBlank = memo.m_tagBlank[k];
    const char*& from = memo.m_attributeFrom[k];
    const char*& found = memo.m_attributeBlank[k];
    if (from == nullptr || tagBlank < from || (found != nullptr && found < tagBlank))
    {
        const std::string_view rest = pairs[k].m_attribute.substr(1);
        from = tagBlank;
        found = scan_bytes::FindBlank(tagBlank, memo.m_tagEnd,
                                      [rest](const char* at)
                                      { return StartsWithNoCase(at + 1, rest); });
    }
    return found;
}

template <std::size_t N>
bool MatchFirstPair(const char*& at, const char* end, const std::array<CTagAttributePair, N>& pairs,
                    CTagWalkMemo<N>& memo)
{
    const char* const begin = at;
    if (memo.m_tagEnd == nullptr || begin < memo.m_from || begin > memo.m_tagEnd)
        WalkTag(begin, end, pairs, memo);
    else
        RefreshTagWords(begin, pairs, memo);
    for (std::size_t k = 0; k < N; ++k)
    {
        if (memo.m_tagBlank[k] == nullptr)
            continue;
        if (const char* blank = FindAttributeBlank(k, pairs, memo); blank != nullptr)
        {
            at = blank + pairs[k].m_attribute.size();
            return true;
        }
    }
    return false;
}

// Kept out of line: inlined where the length is known to be short, g++ turns the copy into
// "rep movs", which is slow to start and cost a tenth of the whole scan.
[[gnu::noinline]] void CopyValue(std::string& value, const char* start, std::size_t length)
{
    value.assign(start, length);
}

enum class EValue
{
    kFound,
    kNone,    // the value runs into the end of the text, or there is nothing after the word
    kTooLong, // the value does not fit the value buffer and is skipped
};

// A quoted value as a browser reads it from the page as written: tabs and line breaks removed,
// the other white space a blank each, control characters dropped as everywhere in the scan.
std::string QuotedValueAsWritten(std::string_view written)
{
    std::string value;
    for (const char ch : written)
    {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\t' || c == '\n' || c == '\r')
            continue;
        if (c == '\v' || c == '\f')
            value += ' ';
        else if (c >= 0x20 && c != 0x7F)
            value += ch;
    }
    return value;
}

// Reads the value that follows an attribute word; the cursor ends just after the character
// that ended the value, or at the end of the text when there is no value. As a browser reads
// it: a value in double or single quotes runs to its closing quote (blanks and ">" inside
// included, the blanks at either end dropped, tabs and line breaks removed); any other value
// ends at a blank or ">".
EValue ExtractValue(const char*& at, const CScanCursor& text, std::string& value)
{
    const char* const end = text.m_end;
    const char* p = at;
    while (*p == ' ' || *p == '=')
        ++p;
    const char quote = *p;
    const bool quoted = quote == '"' || quote == '\'';
    if (quoted)
        ++p;
    const char* start = p;
    p = quoted ? scan_bytes::FindByte(start, end, quote) : scan_bytes::FindValueEnd(start, end);
    if (p == end)
    {
        at = p;
        return EValue::kNone;
    }
    at = p + 1;
    // A blank in a quoted value may stand for a line break: such a value is read from the text
    // as written. Most values hold none and are taken from the collapsed text as they are.
    if (quoted && text.m_original != nullptr &&
        std::memchr(start, ' ', static_cast<std::size_t>(p - start)) != nullptr)
    {
        COriginalText& original = *text.m_original;
        const std::size_t from =
            original.OriginOf(static_cast<std::size_t>(start - 1 - text.m_begin)) + 1;
        const std::size_t to = original.OriginOf(static_cast<std::size_t>(p - text.m_begin));
        std::string written = QuotedValueAsWritten(original.Text().substr(from, to - from));
        written.erase(0, written.find_first_not_of(' '));
        written.erase(written.find_last_not_of(' ') + 1);
        if (written.size() > kMaxLinkValueLength)
            return EValue::kTooLong;
        value = std::move(written);
    }
    else
    {
        // Collapsed white space leaves runs of blanks only where a dropped control character
        // stood between two runs, so the ends are trimmed in a loop.
        while (quoted && start != p && *start == ' ')
            ++start;
        while (quoted && start != p && p[-1] == ' ')
            --p;
        const auto length = static_cast<std::size_t>(p - start);
        if (length > kMaxLinkValueLength)
            return EValue::kTooLong;
        CopyValue(value, start, length);
    }
    if (value.find('&') != std::string::npos)
        DecodeCharacterReferences(value);
    return EValue::kFound;
}

const char* FindLessThan(const char* p, const char* end)
{
    const void* found = std::memchr(p, '<', static_cast<std::size_t>(end - p));
    return found == nullptr ? end : static_cast<const char*>(found);
}

// The next character of the stop set at or after p; the end of the text always stops.
const char* NextStop(const char* p, const char* end, const CStopSet& stopSet)
{
    if (stopSet.m_chars == "<")
        return FindLessThan(p, end);
    // Bounded by the end as well, so that a stop set that was never built cannot run on.
    while (p != end && !stopSet.m_table[Byte(p)])
        ++p;
    return p;
}

} // namespace

CScanCursor::CScanCursor(const char* text) : m_at(text), m_end(text + std::strlen(text)) {}

bool MatchTagAttribute(CScanCursor& cursor, std::string_view tag, std::string_view attribute)
{
    if (!IsBlankBounded(tag, attribute))
        return MatchTagAttributeByWalk(cursor.m_at, tag, attribute);
    CTagWalkMemo<1> memo;
    return MatchFirstPair(cursor.m_at, cursor.m_end,
                          std::array<CTagAttributePair, 1>{{{tag, attribute}}}, memo);
}

namespace
{

// StartsWithNoCase on the text as it reads with its character references decoded: a page that
// writes "AT&amp;T" holds the keyword "AT&T".
bool StartsWithDecodedNoCase(const char* text, std::string_view word)
{
    std::string decoded;
    std::size_t i = 0;
    while (i < word.size())
    {
        if (*text == '&')
        {
            decoded.clear();
            if (const std::size_t used = DecodeReferenceAt(text, decoded); used != 0)
            {
                for (std::size_t k = 0; k < decoded.size() && i < word.size(); ++k, ++i)
                    if (kFold[static_cast<unsigned char>(decoded[k])] !=
                        kFold[static_cast<unsigned char>(word[i])])
                        return false;
                text += used;
                continue;
            }
        }
        const unsigned char c = Byte(text);
        if (c == 0 || kFold[c] != kFold[static_cast<unsigned char>(word[i])])
            return false;
        ++text;
        ++i;
    }
    return true;
}

} // namespace

bool MatchKeyword(const char* position, std::span<const std::string> keywords)
{
    for (const std::string& keyword : keywords)
    {
        if (StartsWithNoCase(position, keyword) || StartsWithDecodedNoCase(position, keyword))
            return true;
    }
    return false;
}

void BuildStopSet(std::span<const std::string> keywords, CStopSet& stopSet)
{
    stopSet.m_chars.assign(1, '<');
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

bool FindBaseHref(CScanCursor text, CUrl& base)
{
    assert(*text.m_end == '\0');
    // Most pages have no base tag; one quick look spares them the walk from tag to tag.
    if (!scan_bytes::MayContainNoCase(text.m_at, text.m_end, kBaseTagPair.m_tag))
        return false;
    const std::array<CTagAttributePair, 1> pairs{kBaseTagPair};
    CTagWalkMemo<1> memo;
    for (;;)
    {
        text.m_at = FindLessThan(text.m_at, text.m_end);
        if (text.m_at == text.m_end)
            return false;
        ++text.m_at;
        const char* at = text.m_at;
        if (!MatchFirstPair(at, text.m_end, pairs, memo))
            continue;
        std::string value;
        if (ExtractValue(at, text, value) != EValue::kFound)
            return false;
        base.Reparse(std::move(value));
        return true;
    }
}

bool NextLink(CScanCursor& cursor, std::string& value, const CStopSet& stopSet,
              std::span<const std::string> keywords, bool& keywordFound)
{
    assert(*cursor.m_end == '\0');
    for (;;)
    {
        cursor.m_at = NextStop(cursor.m_at, cursor.m_end, stopSet);
        if (cursor.m_at == cursor.m_end)
            return false;
        if (*cursor.m_at != '<' && !keywordFound)
        {
            if (MatchKeyword(cursor.m_at, keywords))
                keywordFound = true;
            ++cursor.m_at;
            continue;
        }

        ++cursor.m_at;
        const char* at = cursor.m_at;
        if (!MatchFirstPair(at, cursor.m_end, kLinkTagPairs, cursor.m_tags))
            continue;
        const EValue found = ExtractValue(at, cursor, value);
        cursor.m_at = at;
        if (found != EValue::kTooLong)
            return found == EValue::kFound;
        // Too long: skipped, the scan goes on after it.
    }
}

CPageScanResult ScanPage(std::string& text, const CUrl& page, std::span<const std::string> keywords,
                         const CScanOutput& output)
{
    CPageScanResult result;
    // The text as written stays at hand for the few quoted values that hold white space; one
    // buffer per thread keeps that copy free of allocations.
    thread_local std::string written;
    written.assign(text.c_str());
    COriginalText original(written);
    const std::size_t length = CollapseWhitespace(text.data());
    const auto withOriginal = [&]
    {
        CScanCursor cursor(text.data(), length);
        cursor.m_original = &original;
        cursor.m_begin = text.data();
        return cursor;
    };
    CUrl pageBase;
    result.m_hasBase = FindBaseHref(withOriginal(), pageBase);
    result.m_base = pageBase.m_url;
    // A base tag may itself be relative ("/", "../"): it resolves against the page.
    if (std::string resolved = pageBase.m_url;
        result.m_hasBase && pageBase.Host().empty() && ResolveLink(page, resolved))
        pageBase.Reparse(std::move(resolved));
    const CUrl& base = pageBase.m_url.empty() ? page : pageBase;
    CStopSet stopSet;
    BuildStopSet(keywords, stopSet);

    CScanCursor cursor = withOriginal();
    std::string value;
    for (;;)
    {
        const bool hadKeyword = result.m_keywordFound;
        const bool more = NextLink(cursor, value, stopSet, keywords, result.m_keywordFound);
        // The hit goes out before the link that follows it.
        if (!hadKeyword && result.m_keywordFound && output.onKeywordHit)
            output.onKeywordHit();
        if (!more || (output.onLink && !output.onLink(value, base)))
            return result;
    }
}
