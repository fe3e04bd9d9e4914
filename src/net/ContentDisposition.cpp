#include "net/ContentDisposition.h"

#include "platform/AsciiText.h"

#include <optional>

namespace
{

void SkipBlanks(std::string_view& text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
}

// One parameter value: a quoted string (its escapes undone) or a token up to ";".
std::string ReadValue(std::string_view& text)
{
    std::string value;
    if (!text.empty() && text.front() == '"')
    {
        text.remove_prefix(1);
        while (!text.empty() && text.front() != '"')
        {
            if (text.front() == '\\' && text.size() > 1)
                text.remove_prefix(1);
            value += text.front();
            text.remove_prefix(1);
        }
        if (!text.empty())
            text.remove_prefix(1);
        const std::size_t next = text.find(';');
        text.remove_prefix(next == std::string_view::npos ? text.size() : next);
        return value;
    }
    const std::size_t end = text.find(';');
    value = text.substr(0, end);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
        value.pop_back();
    text.remove_prefix(end == std::string_view::npos ? text.size() : end);
    return value;
}

// An RFC 8187 value, charset'language'percent-encoded, as UTF-8; none for another charset or a
// broken escape.
std::optional<std::string> DecodeExtValue(std::string_view value)
{
    const std::size_t first = value.find('\'');
    if (first == std::string_view::npos)
        return std::nullopt;
    const std::size_t second = value.find('\'', first + 1);
    if (second == std::string_view::npos)
        return std::nullopt;
    const std::string_view charset = value.substr(0, first);
    const bool latin1 = AsciiEqualNoCase(charset, "iso-8859-1");
    if (!AsciiEqualNoCase(charset, "utf-8") && !latin1)
        return std::nullopt;
    std::string decoded;
    for (std::size_t i = second + 1; i < value.size(); ++i)
    {
        unsigned char byte = static_cast<unsigned char>(value[i]);
        if (byte == '%')
        {
            if (i + 2 >= value.size())
                return std::nullopt;
            const int high = HexDigitValue(value[i + 1]);
            const int low = HexDigitValue(value[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            byte = static_cast<unsigned char>(high * 16 + low);
            i += 2;
        }
        if (latin1 && byte >= 0x80)
        {
            decoded += static_cast<char>(0xC0 | (byte >> 6));
            decoded += static_cast<char>(0x80 | (byte & 0x3F));
        }
        else
        {
            decoded += static_cast<char>(byte);
        }
    }
    return decoded;
}

} // namespace

std::string DispositionFileName(std::string_view value)
{
    std::string plain;
    std::optional<std::string> extended;
    // The disposition type comes first; the parameters follow, each after a ";".
    std::size_t next = value.find(';');
    while (next != std::string_view::npos)
    {
        value.remove_prefix(next + 1);
        SkipBlanks(value);
        const std::size_t equals = value.find('=');
        if (equals == std::string_view::npos)
            break;
        std::string_view name = value.substr(0, equals);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
            name.remove_suffix(1);
        value.remove_prefix(equals + 1);
        SkipBlanks(value);
        const std::string text = ReadValue(value);
        if (AsciiEqualNoCase(name, "filename*") && !extended)
            extended = DecodeExtValue(text);
        else if (AsciiEqualNoCase(name, "filename") && plain.empty())
            plain = text;
        next = value.find(';');
    }
    return extended && !extended->empty() ? *extended : plain;
}
