#include "crawl/CharacterReferences.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace
{

struct CNamedReference
{
    std::string_view name; // between "&" and ";"
    char character;
};

constexpr std::array<CNamedReference, 5> kNamed{{
    {"amp", '&'},
    {"lt", '<'},
    {"gt", '>'},
    {"quot", '"'},
    {"apos", '\''},
}};

constexpr std::uint32_t kMaxCodePoint = 0x10FFFF;

bool IsDigitOf(char c, int radix)
{
    if (c >= '0' && c <= '9')
        return true;
    return radix == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
}

std::uint32_t DigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<std::uint32_t>(c - '0');
    if (c >= 'a' && c <= 'f')
        return static_cast<std::uint32_t>(c - 'a' + 10);
    return static_cast<std::uint32_t>(c - 'A' + 10);
}

// Characters that a reference may stand for: no controls (C0, DEL, C1), no surrogates.
bool IsDecodable(std::uint32_t code)
{
    return code >= 0x20 && !(code >= 0x7F && code <= 0x9F) && !(code >= 0xD800 && code <= 0xDFFF) &&
           code <= kMaxCodePoint;
}

void AppendUtf8(std::uint32_t code, std::string& out)
{
    if (code < 0x80)
    {
        out += static_cast<char>(code);
    }
    else if (code < 0x800)
    {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    else if (code < 0x10000)
    {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::size_t DecodeNumeric(const char* text, std::string& out)
{
    std::size_t at = 2; // after "&#"
    int radix = 10;
    if (text[at] == 'x' || text[at] == 'X')
    {
        radix = 16;
        ++at;
    }
    const std::size_t digitsFrom = at;
    std::uint32_t code = 0;
    while (IsDigitOf(text[at], radix))
    {
        // The ";" must still fit within the longest reference.
        if (at + 1 >= kMaxReferenceLength)
            return 0;
        code = code * static_cast<std::uint32_t>(radix) + DigitValue(text[at]);
        if (code > kMaxCodePoint)
            return 0;
        ++at;
    }
    if (at == digitsFrom || text[at] != ';' || !IsDecodable(code))
        return 0;
    AppendUtf8(code, out);
    return at + 1;
}

} // namespace

std::size_t DecodeReferenceAt(const char* text, std::string& out)
{
    if (text[0] != '&')
        return 0;
    if (text[1] == '#')
        return DecodeNumeric(text, out);
    for (const CNamedReference& named : kNamed)
    {
        const std::size_t size = named.name.size();
        // Compared byte by byte, so the text's NUL stops the comparison.
        std::size_t i = 0;
        while (i < size && text[1 + i] == named.name[i])
            ++i;
        if (i == size && text[1 + size] == ';')
        {
            out += named.character;
            return size + 2;
        }
    }
    return 0;
}

void DecodeCharacterReferences(std::string& value)
{
    std::size_t from = value.find('&');
    if (from == std::string::npos)
        return;
    std::string decoded(value, 0, from);
    // value's own terminator ends every reference.
    const char* text = value.c_str();
    while (from < value.size())
    {
        const std::size_t used = text[from] == '&' ? DecodeReferenceAt(text + from, decoded) : 0;
        if (used == 0)
            decoded += text[from++];
        else
            from += used;
    }
    value = std::move(decoded);
}
