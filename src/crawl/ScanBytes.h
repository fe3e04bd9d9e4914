#pragma once

// Byte-level searches of the link scanner. Each looks at 16 bytes at a time where SSE2 is
// there, and never reads at or past end (the text's terminator) except where it says so.

#include <array>
#include <cstddef>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace scan_bytes
{

// Folds A to Z only; bytes above 127 stay as they are.
constexpr std::array<unsigned char, 256> MakeFoldTable()
{
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return table;
}
inline constexpr std::array<unsigned char, 256> kFold = MakeFoldTable();

inline unsigned char Byte(const char* p)
{
    return static_cast<unsigned char>(*p);
}

// True when text begins with word, folding A to Z on both sides. Reads up to the first
// mismatch, and the terminator never matches, so it cannot run past the end of the text.
inline bool StartsWithNoCase(const char* text, std::string_view word)
{
    for (std::size_t i = 0; i < word.size(); ++i)
    {
        const unsigned char c = Byte(text + i);
        if (c == 0 || kFold[c] != kFold[static_cast<unsigned char>(word[i])])
            return false;
    }
    return true;
}

#if defined(__SSE2__)
inline __m128i Load(const char* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline unsigned Mask(__m128i bytes)
{
    return static_cast<unsigned>(_mm_movemask_epi8(bytes));
}
#endif

// Calls visit with each blank in [begin, end), in order, until it returns true; returns that
// blank or nullptr.
template <class Visit> const char* FindBlank(const char* begin, const char* end, Visit&& visit)
{
    const char* p = begin;
#if defined(__SSE2__)
    const __m128i blank = _mm_set1_epi8(' ');
    for (; end - p >= 16; p += 16)
    {
        for (unsigned mask = Mask(_mm_cmpeq_epi8(Load(p), blank)); mask != 0; mask &= mask - 1)
        {
            const char* at = p + __builtin_ctz(mask);
            if (visit(at))
                return at;
        }
    }
#endif
    for (; p < end; ++p)
    {
        if (*p == ' ' && visit(p))
            return p;
    }
    return nullptr;
}

// Walks [begin, end) up to its first ">", calling visit with each blank before it; returns
// the ">" or end.
template <class Visit> const char* WalkToTagEnd(const char* begin, const char* end, Visit&& visit)
{
    const char* p = begin;
#if defined(__SSE2__)
    const __m128i blank = _mm_set1_epi8(' ');
    const __m128i close = _mm_set1_epi8('>');
    for (; end - p >= 16; p += 16)
    {
        const __m128i block = Load(p);
        unsigned blanks = Mask(_mm_cmpeq_epi8(block, blank));
        const unsigned closes = Mask(_mm_cmpeq_epi8(block, close));
        if (closes != 0)
            blanks &= (closes & (0u - closes)) - 1;
        for (; blanks != 0; blanks &= blanks - 1)
            visit(p + __builtin_ctz(blanks));
        if (closes != 0)
            return p + __builtin_ctz(closes);
    }
#endif
    for (; p < end && *p != '>'; ++p)
    {
        if (*p == ' ')
            visit(p);
    }
    return p;
}

// The first blank or ">" in [begin, end), or end: where an unquoted link value stops.
inline const char* FindValueEnd(const char* begin, const char* end)
{
    const char* p = begin;
#if defined(__SSE2__)
    const __m128i blank = _mm_set1_epi8(' ');
    const __m128i close = _mm_set1_epi8('>');
    for (; end - p >= 16; p += 16)
    {
        const __m128i block = Load(p);
        const unsigned stops =
            Mask(_mm_or_si128(_mm_cmpeq_epi8(block, blank), _mm_cmpeq_epi8(block, close)));
        if (stops != 0)
            return p + __builtin_ctz(stops);
    }
#endif
    while (p < end && *p != ' ' && *p != '>')
        ++p;
    return p;
}

// The first c in [begin, end), or end: where a quoted value stops.
inline const char* FindByte(const char* begin, const char* end, char c)
{
    const void* found = std::memchr(begin, c, static_cast<std::size_t>(end - begin));
    return found == nullptr ? end : static_cast<const char*>(found);
}

// False only when word (letters A to Z in any case, and other bytes as they are) does not
// occur in [begin, end): a quick test that lets most pages skip a search tag by tag.
inline bool MayContainNoCase(const char* begin, const char* end, std::string_view word)
{
    if (word.empty())
        return true;
    if (static_cast<std::size_t>(end - begin) < word.size())
        return false;
    const std::size_t last = word.size() - 1;
    const char* p = begin + last; // where a match would end
#if defined(__SSE2__)
    // The byte of the word at i as a block compares it: letters with their case bit set.
    struct CWordByte
    {
        __m128i caseBit;
        __m128i wanted;
    };
    const auto wordByte = [word](std::size_t i)
    {
        const auto c = static_cast<unsigned char>(word[i]);
        const bool letter = kFold[c] >= 'a' && kFold[c] <= 'z';
        return CWordByte{_mm_set1_epi8(letter ? 0x20 : 0),
                         _mm_set1_epi8(static_cast<char>(letter ? kFold[c] : c))};
    };
    const auto matches = [](const char* at, const CWordByte& byte)
    { return _mm_cmpeq_epi8(_mm_or_si128(Load(at), byte.caseBit), byte.wanted); };
    // The first two bytes pick the blocks where the word may end; only those are compared whole.
    const CWordByte first = wordByte(0);
    const CWordByte second = wordByte(last == 0 ? 0 : 1);
    for (; end - p >= 16; p += 16)
    {
        const char* start = p - last;
        __m128i all =
            _mm_and_si128(matches(start, first), matches(start + (last == 0 ? 0 : 1), second));
        if (Mask(all) == 0)
            continue;
        for (std::size_t i = 2; i <= last; ++i)
            all = _mm_and_si128(all, matches(start + i, wordByte(i)));
        if (Mask(all) != 0)
            return true;
    }
#endif
    for (; p < end; ++p)
    {
        if (StartsWithNoCase(p - last, word))
            return true;
    }
    return false;
}

} // namespace scan_bytes
