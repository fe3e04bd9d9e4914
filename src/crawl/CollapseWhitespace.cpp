#include "crawl/ScanSteps.h"

#include <array>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{

enum ECharClass : std::uint8_t
{
    kClassEnd,
    kClassKeep,
    kClassWhite,
    kClassDrop,
};

// Letters, digits, punctuation and bytes above 127 are kept; the six white-space characters
// collapse; the remaining control characters are dropped.
constexpr std::array<std::uint8_t, 256> MakeClassTable()
{
    std::array<std::uint8_t, 256> table{};
    for (int c = 0; c < 256; ++c)
    {
        if (c == 0)
            table[c] = kClassEnd;
        else if (c == ' ' || (c >= '\t' && c <= '\r'))
            table[c] = kClassWhite;
        else if (c < 0x20 || c == 0x7F)
            table[c] = kClassDrop;
        else
            table[c] = kClassKeep;
    }
    return table;
}
constexpr std::array<std::uint8_t, 256> kCharClass = MakeClassTable();

// One byte at a time. A white-space character writes a blank unless the byte before it was
// white space too; so the state is only "the previous input byte was white space".
unsigned char* CollapseTail(const unsigned char* in, unsigned char* out, bool previousWhite)
{
    for (;; ++in)
    {
        const unsigned char c = *in;
        switch (kCharClass[c])
        {
        case kClassEnd:
            *out = 0;
            return out;
        case kClassKeep:
            *out++ = c;
            previousWhite = false;
            break;
        case kClassWhite:
            if (!previousWhite)
                *out++ = ' ';
            previousWhite = true;
            break;
        default:
            previousWhite = false;
            break;
        }
    }
}

} // namespace

std::size_t CollapseWhitespace(char* text)
{
    auto* in = reinterpret_cast<unsigned char*>(text);
    unsigned char* out = in;
    bool previousWhite = false;

#if defined(__SSE2__)
    // Sixteen bytes per step while they lie before the terminator. Writing never overtakes
    // reading (out <= in), and each block is loaded before anything is stored over it.
    const unsigned char* const end = in + std::strlen(text);
    const __m128i blank = _mm_set1_epi8(' ');
    const __m128i nine = _mm_set1_epi8('\t');
    const __m128i four = _mm_set1_epi8(4);
    const __m128i lastControl = _mm_set1_epi8(0x1F);
    const __m128i del = _mm_set1_epi8(0x7F);
    unsigned carry = 0;
    while (end - in >= 16)
    {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        const __m128i isBlank = _mm_cmpeq_epi8(v, blank);
        // Most blocks of a page hold letters and single blanks only: they move as they are.
        const __m128i upToBlank = _mm_cmpeq_epi8(_mm_min_epu8(v, blank), v);
        const unsigned special = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(upToBlank, _mm_cmpeq_epi8(v, del))));
        const unsigned blanks = static_cast<unsigned>(_mm_movemask_epi8(isBlank));
        if (special == blanks && (blanks & ((blanks << 1) | carry) & 0xFFFFu) == 0)
        {
            if (out != in)
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
            carry = blanks >> 15;
            out += 16;
            in += 16;
            continue;
        }
        const __m128i fromNine = _mm_sub_epi8(v, nine);
        const __m128i isOtherWhite = _mm_cmpeq_epi8(_mm_min_epu8(fromNine, four), fromNine);
        const __m128i isControl = _mm_cmpeq_epi8(_mm_min_epu8(v, lastControl), v);
        const __m128i isWhite = _mm_or_si128(isBlank, isOtherWhite);
        const __m128i isDrop =
            _mm_or_si128(_mm_andnot_si128(isWhite, isControl), _mm_cmpeq_epi8(v, del));

        const unsigned white = static_cast<unsigned>(_mm_movemask_epi8(isWhite));
        const unsigned drop = static_cast<unsigned>(_mm_movemask_epi8(isDrop));
        const unsigned otherWhite = static_cast<unsigned>(_mm_movemask_epi8(isOtherWhite));
        const unsigned previous = ((white << 1) | carry) & 0xFFFFu;
        const unsigned keep = ~(drop | (white & previous)) & 0xFFFFu;
        carry = white >> 15;

        const __m128i blanked = otherWhite == 0 ? v
                                                : _mm_or_si128(_mm_andnot_si128(isOtherWhite, v),
                                                               _mm_and_si128(isOtherWhite, blank));
        if (keep == 0xFFFFu)
        {
            if (out != in || otherWhite != 0)
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out), blanked);
            out += 16;
        }
        else
        {
            alignas(16) unsigned char block[16];
            _mm_store_si128(reinterpret_cast<__m128i*>(block), blanked);
            // Branch-free packing: a byte that is not kept is overwritten by the next one.
            // out + n never passes in + i, so no unread byte is touched.
            unsigned n = 0;
            for (unsigned i = 0; i < 16; ++i)
            {
                out[n] = block[i];
                n += (keep >> i) & 1u;
            }
            out += n;
        }
        in += 16;
    }
    previousWhite = carry != 0;
#endif

    out = CollapseTail(in, out, previousWhite);
    return static_cast<std::size_t>(out - reinterpret_cast<unsigned char*>(text));
}

std::size_t COriginalText::OriginOf(std::size_t collapsedOffset)
{
    if (collapsedOffset < m_out)
        *this = COriginalText(m_text);
    // The walk mirrors CollapseTail: a kept byte and the first byte of a white run each take
    // one place of the collapsed text.
    for (; m_in < m_text.size(); ++m_in)
    {
        const auto c = static_cast<unsigned char>(m_text[m_in]);
        switch (kCharClass[c])
        {
        case kClassEnd:
            return m_in;
        case kClassKeep:
            if (m_out == collapsedOffset)
                return m_in;
            ++m_out;
            m_previousWhite = false;
            break;
        case kClassWhite:
            m_out += m_previousWhite ? 0 : 1;
            m_previousWhite = true;
            break;
        default:
            m_previousWhite = false;
            break;
        }
    }
    return m_in;
}
