#pragma once

// The steps of the link scan, for the scanner itself and its tests; everything else calls
// ScanPage (LinkScanner.h), which runs them in this order on one page:
//
//     const std::size_t length = CollapseWhitespace(text);
//     CUrl pageBase;
//     FindBaseHref(CScanCursor(text, length), pageBase);
//     ... BuildStopSet(keywords, stopSet); CScanCursor cursor(text, length); bool found = false;
//     while (NextLink(cursor, value, stopSet, keywords, found)) ...
//
// The page text is one NUL-terminated byte string; its first NUL ends the page for every step.

#include "crawl/LinkScanner.h"

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

class CUrl;

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

// The page's text as it stood before CollapseWhitespace, so that a quoted value can be read with
// its own white space: a browser removes tabs and line breaks from a link and keeps its blanks.
// Finds which byte of the text a kept byte of the collapsed text came from; asked in page order,
// it walks the text once.
class COriginalText
{
public:
    explicit COriginalText(std::string_view text) : m_text(text) {}
    std::string_view Text() const { return m_text; }
    // Where the collapsed text's kept (not white) byte at collapsedOffset came from.
    std::size_t OriginOf(std::size_t collapsedOffset);

private:
    std::string_view m_text;
    std::size_t m_in = 0;  // the next byte of the text to walk
    std::size_t m_out = 0; // the collapsed offset it goes to
    bool m_previousWhite = false;
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
    // The text before it was collapsed, and the collapsed text's start; without them a quoted
    // value keeps its collapsed blanks.
    COriginalText* m_original = nullptr;
    const char* m_begin = nullptr;
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
// Sets keywordFound when it passes one of the keywords while it is still false.
bool NextLink(CScanCursor& cursor, std::string& value, const CStopSet& stopSet,
              std::span<const std::string> keywords, bool& keywordFound);

// Looks between the cursor and the next ">" (or the end) for the tag word, then from the tag
// word's trailing blank on for the attribute word, both without regard to case (A to Z). On
// success the cursor moves just after the attribute word; otherwise it is unchanged.
bool MatchTagAttribute(CScanCursor& cursor, std::string_view tag, std::string_view attribute);

// True when the text at position begins with one of the keywords, without regard to case, as
// written or with its character references decoded. An empty keyword matches everywhere.
bool MatchKeyword(const char* position, std::span<const std::string> keywords);
