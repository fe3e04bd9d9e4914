#pragma once

// The link scanner's rules written as plainly as possible, one character at a time, to compare
// the fast scanner with (unit tests, the page-scan fuzzer). Shares nothing with it but the
// word table and the value and reference length limits.

#include "crawl/CharacterReferences.h"
#include "crawl/ScanSteps.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace reference
{

struct CPageScan
{
    bool m_hasBase = false;
    std::string m_base;
    std::vector<std::string> m_values;
    int m_offers = 0;
};

// The collapsed text, and for each of its bytes the index of the page byte it came from.
inline std::string Collapse(const std::string& in, std::vector<std::size_t>* origin = nullptr)
{
    std::string out;
    bool previousWhite = false;
    for (std::size_t i = 0; i < in.size(); ++i)
    {
        const auto c = static_cast<unsigned char>(in[i]);
        if (c == 0)
            break;
        const bool white = c == ' ' || (c >= '\t' && c <= '\r');
        const std::size_t before = out.size();
        if (white && !previousWhite)
            out += ' ';
        else if (!white && c >= 0x20 && c != 0x7F)
            out += in[i];
        if (origin != nullptr && out.size() != before)
            origin->push_back(i);
        previousWhite = white;
    }
    return out;
}

// The page as written, for quoted values that hold white space.
struct CWritten
{
    const std::string* page = nullptr;
    const char* collapsed = nullptr;
    const std::vector<std::size_t>* origin = nullptr;
};

// Tabs and line breaks go, form feeds and vertical tabs are blanks, control characters go.
inline std::string AsWritten(const std::string& text)
{
    std::string out;
    for (const char ch : text)
    {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\v' || c == '\f')
            out += ' ';
        else if (c >= 0x20 && c != 0x7F)
            out += ch;
    }
    return out;
}

inline char Fold(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool StartsWithFolded(const char* text, std::string_view word)
{
    for (std::size_t i = 0; i < word.size(); ++i)
    {
        if (text[i] == '\0' || Fold(text[i]) != Fold(word[i]))
            return false;
    }
    return true;
}

// Every position up to ">" or the end: the tag word first, then, from its last character on,
// the attribute word.
inline bool MatchTagAttribute(const char*& cursor, std::string_view tag, std::string_view attribute)
{
    bool tagFound = false;
    for (const char* q = cursor; *q != '\0' && *q != '>'; ++q)
    {
        if (!tagFound && StartsWithFolded(q, tag))
        {
            tagFound = true;
            q += tag.size() - 1;
        }
        if (tagFound && StartsWithFolded(q, attribute))
        {
            cursor = q + attribute.size();
            return true;
        }
    }
    return false;
}

inline std::string Utf8(unsigned long code)
{
    if (code < 0x80)
        return std::string(1, static_cast<char>(code));
    const int more = code < 0x800 ? 1 : code < 0x10000 ? 2 : 3; // bytes after the first
    std::string out(1, static_cast<char>((0xF0 << (3 - more)) | (code >> (6 * more))));
    for (int i = more - 1; i >= 0; --i)
        out += static_cast<char>(0x80 | ((code >> (6 * i)) & 0x3F));
    return out;
}

// The character reference at p: true with what it stands for and its length.
inline bool ReadReference(const char* p, std::string& out, std::size_t& used)
{
    const std::pair<std::string_view, char> named[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    for (const auto& [name, c] : named)
    {
        if (std::strncmp(p, name.data(), name.size()) == 0)
        {
            out.assign(1, c);
            used = name.size();
            return true;
        }
    }
    if (p[0] != '&' || p[1] != '#')
        return false;
    const bool hex = p[2] == 'x' || p[2] == 'X';
    const char* digits = p + (hex ? 3 : 2);
    std::size_t n = 0;
    while (std::isdigit(static_cast<unsigned char>(digits[n])) ||
           (hex && std::isxdigit(static_cast<unsigned char>(digits[n]))))
        ++n;
    used = static_cast<std::size_t>(digits + n + 1 - p);
    if (n == 0 || digits[n] != ';' || used > kMaxReferenceLength)
        return false;
    const unsigned long code = std::strtoul(std::string(digits, n).c_str(), nullptr, hex ? 16 : 10);
    if (code < 0x20 || (code >= 0x7F && code <= 0x9F) || (code >= 0xD800 && code <= 0xDFFF) ||
        code > 0x10FFFF)
        return false;
    out = Utf8(code);
    return true;
}

// The text from p on with its references decoded, at least size bytes of it where there are.
inline std::string Decoded(const char* p, std::size_t size = std::string::npos)
{
    std::string out;
    while (*p != '\0' && out.size() < size)
    {
        std::string character;
        std::size_t used = 0;
        if (ReadReference(p, character, used))
        {
            out += character;
            p += used;
        }
        else
        {
            out += *p++;
        }
    }
    return out;
}

enum class EValue
{
    kFound,
    kNone,
    kTooLong,
};

inline EValue ExtractValue(const char*& cursor, std::string& value, const CWritten& written)
{
    const char* p = cursor;
    while (*p == ' ' || *p == '=')
        ++p;
    const char quote = *p == '"' || *p == '\'' ? *p : '\0';
    if (quote != '\0')
        ++p;
    std::string found;
    while (*p != '\0' && (quote != '\0' ? *p != quote : *p != ' ' && *p != '>'))
        found += *p++;
    if (*p == '\0')
        return EValue::kNone;
    cursor = p + 1;
    if (quote != '\0' && found.find(' ') != std::string::npos && written.page != nullptr)
    {
        const std::size_t from = (*written.origin)[p - found.size() - 1 - written.collapsed] + 1;
        const std::size_t to = (*written.origin)[p - written.collapsed];
        found = AsWritten(written.page->substr(from, to - from));
    }
    if (quote != '\0')
    {
        const std::size_t first = found.find_first_not_of(' ');
        found = first == std::string::npos ? std::string() : found.substr(first);
        found.erase(found.find_last_not_of(' ') + 1);
    }
    if (found.size() > kMaxLinkValueLength)
        return EValue::kTooLong;
    value = Decoded(found.c_str());
    return EValue::kFound;
}

inline bool MatchKeyword(const char* p, const std::vector<std::string>& keywords)
{
    for (const std::string& keyword : keywords)
    {
        if (StartsWithFolded(p, keyword) ||
            StartsWithFolded(Decoded(p, keyword.size()).c_str(), keyword))
            return true;
    }
    return false;
}

inline bool IsStop(char c, const std::vector<std::string>& keywords)
{
    if (c == '<')
        return true;
    for (const std::string& keyword : keywords)
    {
        if (!keyword.empty() && keyword[0] != '\0' && Fold(keyword[0]) == Fold(c))
            return true;
    }
    return false;
}

inline CPageScan ScanPage(const std::string& page, const std::vector<std::string>& keywords)
{
    CPageScan result;
    std::vector<std::size_t> origin;
    const std::string text = Collapse(page, &origin);
    const CWritten written{&page, text.c_str(), &origin};

    for (const char* p = text.c_str(); (p = std::strchr(p, '<')) != nullptr;)
    {
        const char* cursor = ++p;
        if (!MatchTagAttribute(cursor, kBaseTagPair.m_tag, kBaseTagPair.m_attribute))
            continue;
        std::string value;
        if (ExtractValue(cursor, value, written) == EValue::kFound)
        {
            result.m_hasBase = true;
            result.m_base = value;
        }
        break;
    }

    const char* cursor = text.c_str();
    bool keywordFound = false;
    for (;;)
    {
        while (*cursor != '\0' && !IsStop(*cursor, keywords))
            ++cursor;
        if (*cursor == '\0')
            break;
        if (*cursor != '<' && !keywordFound)
        {
            if (MatchKeyword(cursor, keywords))
            {
                keywordFound = true;
                ++result.m_offers;
            }
            ++cursor;
            continue;
        }
        const char* at = ++cursor;
        bool matched = false;
        for (const CTagAttributePair& pair : kLinkTagPairs)
        {
            at = cursor;
            matched = MatchTagAttribute(at, pair.m_tag, pair.m_attribute);
            if (matched)
                break;
        }
        if (!matched)
            continue;
        std::string value;
        const EValue found = ExtractValue(at, value, written);
        if (found == EValue::kNone)
            break;
        cursor = at;
        if (found == EValue::kFound)
            result.m_values.push_back(value);
    }
    return result;
}

} // namespace reference
