#pragma once

// The character-level link scanner: finds, one after another, the href and src values of
// anchor, image, frame and area tags in a page's text, the page's base URL, and whether the page
// holds one of the user's keywords. It is deliberately not an HTML parser.
//
// The page text is one NUL-terminated byte string; its first NUL ends the page for every step.
// Order for one page: CollapseWhitespace; FindBaseHref into a fresh base record; BuildStopSet;
// then NextLink from the start of the text until it returns false, keyword flag false at first:
//
//     const std::size_t length = CollapseWhitespace(text);
//     CUrl pageBase;
//     FindBaseHref(CScanCursor(text, length), pageBase);
//     ... BuildStopSet(keywords, stopSet); CScanCursor cursor(text, length); bool found = false;
//     while (NextLink(cursor, value, page, stopSet, found, context)) ...

#include <array>
#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CUrl;

// A value is copied into a buffer of this many bytes with its terminator. A longer value is
// skipped rather than cut: a cut link names a different, usually wrong, resource, and the
// values that long in practice are inline data, not links worth following.
inline constexpr std::size_t kLinkValueBufferSize = 1024;
inline constexpr std::size_t kMaxLinkValueLength = kLinkValueBufferSize - 1;

// The tag and attribute words, tried in this order at each tag. Every tag word ends with one
// blank and every attribute word begins with one; the scan relies on that.
struct CTagAttributePair
{
    std::string_view m_tag;
    std::string_view m_attribute;
};
inline constexpr std::array<CTagAttributePair, 4> kLinkTagPairs{{
    {"a ", " href"},
    {"img ", " src"},
    {"frame ", " src"},
    {"area ", " href"},
}};
inline constexpr CTagAttributePair kBaseTagPair{"base ", " href"};

// The characters at which NextLink stops: "<" and the first letter of every keyword in both
// cases. m_chars is the set in its built order; m_table answers membership per byte.
struct CStopSet
{
    std::string m_chars;
    std::array<bool, 256> m_table{};
};

// What the scan needs from the browse thread besides the text: the user's keywords (read
// without a lock) and who receives a page that holds one. The callback runs on the scanning
// thread, at most once per page.
struct CScanContext
{
    std::span<const std::string> m_keywords;
    std::function<void(CUrl& page)> m_onKeywordHit;
};

// What the scan learnt about the tag it last walked. A page may open a million tags and close
// none: every one of them then runs to the same ">" (or the text's end), and walking each to it
// anew would take hours. Tags that start inside the last walked one reuse what it found.
template <std::size_t N> struct CTagWalkMemo
{
    const char* m_from = nullptr;            // where the walk began
    const char* m_tagEnd = nullptr;          // the first ">" at or after m_from, or the text's end
    std::array<const char*, N> m_tagBlank{}; // each tag word's first blank, or none
    std::array<const char*, N> m_attributeFrom{};  // where the attribute was looked for, or not yet
    std::array<const char*, N> m_attributeBlank{}; // the attribute word's first blank, or none
};

// A position in a page's text together with the text's end, its first NUL. Knowing the end lets
// the scan look at many bytes at once without reading past the text. A cursor serves the one
// text it was made for, from its start forward.
struct CScanCursor
{
    CScanCursor() = default;
    // The start of a text; finds its end.
    explicit CScanCursor(const char* text);
    // The start of a text whose first NUL is at text + length (CollapseWhitespace's result).
    CScanCursor(const char* text, std::size_t length) : m_at(text), m_end(text + length) {}

    const char* m_at = nullptr;
    const char* m_end = nullptr;
    CTagWalkMemo<kLinkTagPairs.size()> m_tags;
};

// In place: every run of white space becomes one blank, control characters are dropped,
// everything else (also bytes above 127, the UTF-8 of links) is kept. Returns the new length.
std::size_t CollapseWhitespace(char* text);

// Finds the first base tag with an href value in the text that starts at text. On success
// base.m_url is the value (references decoded) and base has been parsed; false when there is none
// (or its value is too long to keep).
bool FindBaseHref(CScanCursor text, CUrl& base);

void BuildStopSet(std::span<const std::string> keywords, CStopSet& stopSet);

// Moves the cursor to just after the next link value and returns it in value, its character
// references decoded (as the base tag's value is); false when the text holds no further link.
// A page holding a keyword is handed to context.m_onKeywordHit once and keywordFound is set;
// page is used for nothing else.
bool NextLink(CScanCursor& cursor, std::string& value, CUrl& page, const CStopSet& stopSet,
              bool& keywordFound, const CScanContext& context);

// Looks between the cursor and the next ">" (or the end) for the tag word, then from the tag
// word's trailing blank on for the attribute word, both without regard to case (A to Z). On
// success the cursor moves just after the attribute word; otherwise it is unchanged.
bool MatchTagAttribute(CScanCursor& cursor, std::string_view tag, std::string_view attribute);

// True when the text at position begins with one of the keywords, without regard to case, as
// written or with its character references decoded. An empty keyword matches everywhere.
bool MatchKeyword(const char* position, std::span<const std::string> keywords);
