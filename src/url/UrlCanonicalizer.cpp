#include "url/UrlCanonicalizer.h"

#include "platform/AsciiText.h"
#include "url/Url.h"

#include <algorithm>
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

const CSchemeCode* FindScheme(std::string_view name)
{
    for (const CSchemeCode& scheme : kSchemes)
    {
        if (AsciiEqualNoCase(scheme.name, name))
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

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Letters, digits and "-._~": an escape of one of these names the same resource as the
// character itself.
constexpr std::array<bool, 256> MakeUnreservedTable()
{
    std::array<bool, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    for (unsigned char c : std::string_view("-._~"))
        table[c] = true;
    return table;
}

constexpr std::array<bool, 256> kUnreserved = MakeUnreservedTable();

// The bytes that AppendNormalObject must look at: the unsafe ones and "%".
constexpr std::array<bool, 256> MakeSpecialTable()
{
    std::array<bool, 256> table = kUnsafe;
    table['%'] = true;
    return table;
}

constexpr std::array<bool, 256> kNormalizeStop = MakeSpecialTable();

void AppendEscape(std::string& out, unsigned char c)
{
    out += '%';
    out += kHexDigits[c >> 4];
    out += kHexDigits[c & 0x0F];
}

void LowerAscii(std::string& text)
{
    for (char& c : text)
    {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
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
    // Host names compare without case; one spelling keeps one record per host.
    parts.host.assign(host);
    LowerAscii(parts.host);
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

    parts.object.clear();
    parts.object.reserve(path.size() + 16);
    AppendNormalObject(parts.object, path);
    if (hasAuthority)
    {
        // A backslash in the path of a URL with a host is a "/", as browsers read it.
        if (parts.object.find('\\') != std::string::npos)
        {
            const auto pathEnd =
                parts.object.begin() + static_cast<std::ptrdiff_t>(std::min(
                                           parts.object.find_first_of("?#"), parts.object.size()));
            std::replace(parts.object.begin(), pathEnd, '\\', '/');
        }
        RemovePathDots(parts.object, 0);
    }

    return parts.host.size() <= kMaxHostLength && parts.object.size() <= kMaxObjectLength &&
           parts.userName.size() <= kMaxUserNameLength &&
           parts.password.size() <= kMaxPasswordLength;
}

void AppendNormalObject(std::string& out, std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size())
    {
        // Most links need nothing: copy up to the next byte that does.
        std::size_t run = i;
        while (run < text.size() && !kNormalizeStop[static_cast<unsigned char>(text[run])])
            ++run;
        out.append(text.data() + i, run - i);
        if (run == text.size())
            return;
        const auto c = static_cast<unsigned char>(text[run]);
        i = run + 1;
        if (c != '%')
        {
            AppendEscape(out, c);
            continue;
        }
        const int high = i + 1 < text.size() ? HexDigitValue(text[i]) : -1;
        const int low = high >= 0 ? HexDigitValue(text[i + 1]) : -1;
        if (low < 0)
        {
            // A "%" that starts no escape stands for itself. Escaped, it cannot join what
            // follows into an escape when the text is normalised again ("%%61b").
            AppendEscape(out, '%');
            continue;
        }
        const auto decoded = static_cast<unsigned char>(high * 16 + low);
        if (kUnreserved[decoded])
            out += static_cast<char>(decoded);
        else
            AppendEscape(out, decoded);
        i += 2;
    }
}

void RemovePathDots(std::string& text, std::size_t pathStart)
{
    // Most texts hold no "/." anywhere: one search spares them the search for the path's end.
    const std::size_t firstDot = text.find("/.", pathStart);
    const bool leadingDot = pathStart < text.size() && text[pathStart] == '.';
    if (firstDot == std::string::npos && !leadingDot)
        return;
    // Two searches for one byte each are much cheaper than one search for either.
    const std::size_t pathEnd = std::min(text.find('?', pathStart), text.find('#', pathStart));
    const std::size_t pathSize = (pathEnd == std::string::npos ? text.size() : pathEnd) - pathStart;
    if (!leadingDot && firstDot >= pathStart + pathSize)
        return;
    text.replace(pathStart, pathSize,
                 RemoveDotSegments(std::string_view(text).substr(pathStart, pathSize)));
}

namespace
{

bool IsNormalEscape(std::string_view text, std::size_t at)
{
    if (at + 2 >= text.size())
        return false;
    const auto high = static_cast<unsigned char>(text[at + 1]);
    const auto low = static_cast<unsigned char>(text[at + 2]);
    const bool capitals = HexDigitValue(high) >= 0 && HexDigitValue(low) >= 0 &&
                          !(high >= 'a' && high <= 'f') && !(low >= 'a' && low <= 'f');
    return capitals &&
           !kUnreserved[static_cast<unsigned char>(HexDigitValue(high) * 16 + HexDigitValue(low))];
}

// The length of a scheme prefix that is written as the normal form writes it, 0 when there is
// none.
std::size_t NormalSchemeLength(std::string_view url)
{
    for (std::string_view prefix : {"http://", "https://", "ftp://"})
    {
        if (url.starts_with(prefix))
            return prefix.size();
    }
    return 0;
}

} // namespace

bool IsNormalUrl(std::string_view url)
{
    const std::size_t hostStart = NormalSchemeLength(url);
    if (hostStart == 0)
        return false;
    std::size_t i = hostStart;
    std::size_t colon = std::string_view::npos;
    for (; i < url.size() && url[i] != '/'; ++i)
    {
        const auto c = static_cast<unsigned char>(url[i]);
        if (c == ':' && colon == std::string_view::npos)
            colon = i;
        else if ((c >= 'A' && c <= 'Z') || kNormalizeStop[c] || c == '@' || c == ':' || c == '?' ||
                 c == '#' || c == '\\' || c == '[')
            return false;
    }
    if (i == hostStart || i == url.size() || colon == hostStart)
        return false;
    if (colon != std::string_view::npos)
    {
        // A port is written without leading zeros and only when it is not the scheme's own.
        std::uint16_t port = 0;
        const std::string_view digits = url.substr(colon + 1, i - colon - 1);
        if (!ParsePort(digits, port) || digits[0] == '0' ||
            port == DefaultPortOf(ServiceTypeOfScheme(url.substr(0, hostStart - 3))))
            return false;
    }
    const std::size_t pathStart = i;
    for (; i < url.size(); ++i)
    {
        const auto c = static_cast<unsigned char>(url[i]);
        if (kNormalizeStop[c] && !(c == '%' && IsNormalEscape(url, i)))
            return false;
        if (c == '#' || c == '\\')
            return false;
    }
    const std::string_view path = url.substr(pathStart, url.find('?', pathStart) - pathStart);
    return path.find("/.") == std::string_view::npos;
}

std::string NormalizeUrl(std::string_view url)
{
    if (IsNormalUrl(url))
        return std::string(url);
    const std::string_view trimmed = TrimBlanks(url);
    // The fragment is never sent: it names no other resource.
    const std::string_view withoutFragment = trimmed.substr(0, trimmed.find('#'));
    CUrlParts parts;
    const std::size_t colon = withoutFragment.find(':');
    const CSchemeCode* scheme =
        colon == std::string_view::npos ? nullptr : FindScheme(withoutFragment.substr(0, colon));
    if (scheme == nullptr || !scheme->needsHost || !CanonicalizeAndSplit(withoutFragment, parts))
        return std::string(url);
    std::string out;
    out.reserve(withoutFragment.size() + 8);
    out += scheme->name;
    out += "://";
    if (!parts.userName.empty() || !parts.password.empty())
    {
        out += parts.userName;
        if (!parts.password.empty())
        {
            out += ':';
            out += parts.password;
        }
        out += '@';
    }
    out += parts.host;
    if (parts.port != DefaultPortOf(parts.serviceType))
    {
        out += ':';
        out += std::to_string(parts.port);
    }
    if (parts.object.empty() || parts.object[0] != '/')
        out += '/';
    out += parts.object;
    return out;
}
