#include "url/UrlCanonicalizer.h"

#include "url/Url.h"

#include <array>
#include <cstring>

namespace
{

struct CSchemeCode
{
    std::string_view name;
    std::uint32_t code;
    bool needsHost; // hierarchical: "scheme://host..." or nothing
};

constexpr std::array<CSchemeCode, 7> kSchemes = {{
    {"http", kServiceHttp, true},
    {"https", kServiceHttps, true},
    {"ftp", kServiceFtp, true},
    {"gopher", kServiceGopher, true},
    {"file", kServiceFile, false},
    {"news", kServiceNews, false},
    {"mailto", kServiceMailto, false},
}};

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

const CSchemeCode* FindScheme(std::string_view name)
{
    for (const CSchemeCode& scheme : kSchemes)
    {
        if (EqualsNoCase(scheme.name, name))
            return &scheme;
    }
    return nullptr;
}

bool IsAlpha(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

bool IsValidScheme(std::string_view scheme)
{
    if (scheme.empty() || !IsAlpha(static_cast<unsigned char>(scheme[0])))
        return false;
    for (char ch : scheme)
    {
        const auto c = static_cast<unsigned char>(ch);
        if (!IsAlpha(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

// Bytes that a URL may not carry literally: controls, blanks, bytes above 126, and the
// characters that delimit URLs in text.
constexpr std::array<bool, 256> MakeUnsafeTable()
{
    std::array<bool, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[c] = c <= 0x20 || c >= 0x7F;
    for (unsigned char c : std::string_view("\"<>^`{|}"))
        table[c] = true;
    return table;
}

constexpr std::array<bool, 256> kUnsafe = MakeUnsafeTable();

void AppendEscaped(std::string& out, std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (char ch : text)
    {
        const auto c = static_cast<unsigned char>(ch);
        if (kUnsafe[c])
        {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
        else
        {
            out += ch;
        }
    }
}

bool IsValidHost(std::string_view host)
{
    for (char ch : host)
    {
        const auto c = static_cast<unsigned char>(ch);
        // Bytes above 127 stay allowed: they are internationalised host names.
        if (c <= 0x20 || c == 0x7F || std::strchr("\"<>\\^`{|}/?#@", c) != nullptr)
            return false;
    }
    return true;
}

bool ParsePort(std::string_view text, std::uint16_t& port)
{
    if (text.empty() || text.size() > 5)
        return false;
    std::uint32_t value = 0;
    for (char ch : text)
    {
        if (!IsDigit(static_cast<unsigned char>(ch)))
            return false;
        value = value * 10 + static_cast<std::uint32_t>(ch - '0');
    }
    if (value == 0 || value > 65535)
        return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

bool SplitAuthority(std::string_view authority, CUrlParts& parts)
{
    const std::size_t at = authority.rfind('@');
    std::string_view hostPort = authority;
    if (at != std::string_view::npos)
    {
        const std::string_view userInfo = authority.substr(0, at);
        hostPort = authority.substr(at + 1);
        const std::size_t colon = userInfo.find(':');
        parts.userName.assign(userInfo.substr(0, colon));
        if (colon != std::string_view::npos)
            parts.password.assign(userInfo.substr(colon + 1));
    }

    std::string_view host = hostPort;
    std::string_view portText;
    bool hasPort = false;
    if (!hostPort.empty() && hostPort[0] == '[')
    {
        const std::size_t close = hostPort.find(']');
        if (close == std::string_view::npos)
            return false;
        host = hostPort.substr(0, close + 1);
        const std::string_view rest = hostPort.substr(close + 1);
        if (!rest.empty())
        {
            if (rest[0] != ':')
                return false;
            hasPort = true;
            portText = rest.substr(1);
        }
    }
    else
    {
        const std::size_t colon = hostPort.find(':');
        if (colon != std::string_view::npos)
        {
            host = hostPort.substr(0, colon);
            hasPort = true;
            portText = hostPort.substr(colon + 1);
        }
    }

    if (!IsValidHost(host))
        return false;
    parts.host.assign(host);
    parts.port = DefaultPortOf(parts.serviceType);
    // "host:" with nothing after the colon keeps the default port.
    if (hasPort && !portText.empty() && !ParsePort(portText, parts.port))
        return false;
    return true;
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20)
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20)
        text.remove_suffix(1);
    return text;
}

} // namespace

std::uint32_t ServiceTypeOfScheme(std::string_view scheme)
{
    const CSchemeCode* known = FindScheme(scheme);
    return known != nullptr ? known->code : kServiceUnknown;
}

std::string RemoveDotSegments(std::string_view path)
{
    std::string out;
    out.reserve(path.size());
    std::size_t i = 0;
    while (i < path.size())
    {
        const std::size_t end = path.find('/', i + 1);
        // Each step takes one "/segment" (or a leading segment without a slash).
        const std::string_view piece =
            path.substr(i, end == std::string_view::npos ? path.size() - i : end - i);
        const bool slashed = piece[0] == '/';
        const std::string_view segment = slashed ? piece.substr(1) : piece;
        const bool last = end == std::string_view::npos;
        if (segment == ".")
        {
            if (last)
                out += '/';
        }
        else if (segment == "..")
        {
            const std::size_t cut = out.rfind('/');
            out.resize(cut == std::string::npos ? 0 : cut);
            if (last)
                out += '/';
        }
        else
        {
            out += piece;
        }
        i += piece.size();
    }
    if (out.empty() && !path.empty() && path[0] == '/')
        out.push_back('/');
    return out;
}

bool CanonicalizeAndSplit(std::string_view url, CUrlParts& parts)
{
    url = TrimBlanks(url);
    const std::size_t colon = url.find(':');
    if (colon == std::string_view::npos || !IsValidScheme(url.substr(0, colon)))
        return false;

    const std::string_view scheme = url.substr(0, colon);
    const CSchemeCode* known = FindScheme(scheme);
    parts.serviceType = known != nullptr ? known->code : kServiceUnknown;
    std::string_view rest = url.substr(colon + 1);

    const bool hasAuthority = rest.size() >= 2 && rest[0] == '/' && rest[1] == '/';
    std::string_view path;
    if (hasAuthority)
    {
        rest.remove_prefix(2);
        const std::size_t authorityEnd = rest.find_first_of("/?#\\");
        const std::string_view authority = rest.substr(0, authorityEnd);
        if (!SplitAuthority(authority, parts))
            return false;
        if (parts.host.empty() && known != nullptr && known->needsHost)
            return false;
        path =
            authorityEnd == std::string_view::npos ? std::string_view() : rest.substr(authorityEnd);
    }
    else
    {
        if (known != nullptr && known->needsHost)
            return false;
        parts.port = 0;
        path = rest;
    }

    const std::size_t tailStart = path.find_first_of("?#");
    const std::string_view pathOnly = path.substr(0, tailStart);
    const std::string_view tail =
        tailStart == std::string_view::npos ? std::string_view() : path.substr(tailStart);

    parts.object.clear();
    parts.object.reserve(path.size() + 16);
    const bool hasDots =
        pathOnly.find("/.") != std::string_view::npos || (!pathOnly.empty() && pathOnly[0] == '.');
    if (hasAuthority && hasDots)
        AppendEscaped(parts.object, RemoveDotSegments(pathOnly));
    else
        AppendEscaped(parts.object, pathOnly);
    AppendEscaped(parts.object, tail);

    return parts.host.size() <= kMaxHostLength && parts.object.size() <= kMaxObjectLength &&
           parts.userName.size() <= kMaxUserNameLength &&
           parts.password.size() <= kMaxPasswordLength;
}
