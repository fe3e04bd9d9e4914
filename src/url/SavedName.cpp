#include "url/SavedName.h"

#include "platform/AsciiText.h"

#include <cstdint>

namespace
{

// The length of the well-formed UTF-8 character at text[at] (overlong forms, surrogates and
// values past U+10FFFF are not); 0 when there is none.
std::size_t CharacterLength(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
    {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    }
    else if (lead >= 0xF0 && lead <= 0xF4)
    {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    }
    if (length == 0 || at + length > text.size())
        return 0;
    if (byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
    {
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    }
    return length;
}

std::uint32_t CodePoint(std::string_view text, std::size_t at, std::size_t length)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    if (length == 1)
        return lead;
    std::uint32_t value = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i)
        value = (value << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
    return value;
}

bool IsUnsafe(std::uint32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == '/' || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

} // namespace

std::string UrlFileName(std::string_view url)
{
    url = url.substr(0, url.find_first_of("?#"));
    const std::size_t scheme = url.find("://");
    const std::size_t pathStart = url.find('/', scheme == std::string_view::npos ? 0 : scheme + 3);
    if (pathStart == std::string_view::npos)
        return {};
    const std::string_view segment = url.substr(url.rfind('/') + 1);

    // Each byte as decoded, and where its escape began (npos for a byte written as itself).
    std::string bytes;
    std::string written;
    std::string decoded;
    for (std::size_t i = 0; i < segment.size(); ++i)
    {
        const int high =
            segment[i] == '%' && i + 2 < segment.size() ? HexDigitValue(segment[i + 1]) : -1;
        const int low = high >= 0 ? HexDigitValue(segment[i + 2]) : -1;
        if (low >= 0)
        {
            bytes += static_cast<char>(high * 16 + low);
            written += 'e';
            i += 2;
        }
        else
        {
            bytes += segment[i];
            written += 'p';
        }
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < bytes.size();)
    {
        const std::size_t length = CharacterLength(bytes, i);
        if (length != 0)
        {
            decoded.append(bytes, i, length);
            i += length;
            continue;
        }
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (written[i] == 'e')
        {
            decoded += '%';
            decoded += kHex[byte >> 4];
            decoded += kHex[byte & 0xF];
        }
        else
        {
            decoded += bytes[i];
        }
        ++i;
    }
    return decoded;
}

std::string SafeFileName(std::string_view name)
{
    std::string safe;
    for (std::size_t i = 0; i < name.size();)
    {
        const std::size_t length = CharacterLength(name, i);
        if (length == 0)
        {
            // A stray byte is kept: Linux names are bytes, and it hides nothing.
            safe += name[i++];
            continue;
        }
        if (IsUnsafe(CodePoint(name, i, length)))
            safe += '_';
        else
            safe.append(name, i, length);
        i += length;
    }
    if (!safe.empty() && (safe.front() == '.' || safe.front() == '-'))
        safe.front() = '_';
    return safe;
}

void CutOnCharacter(std::string& text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return;
    std::size_t end = maxBytes;
    // Back to the start of the character that the cut would split.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
}
