#include "url/UrlPassword.h"

std::pair<std::size_t, std::size_t> FindUrlPassword(std::string_view text, std::size_t scheme)
{
    const std::size_t start = scheme + 3;
    std::size_t end = text.find_first_of("/?# \t\r\n", start);
    if (end == std::string_view::npos)
        end = text.size();
    const std::string_view authority = text.substr(start, end - start);
    // The last "@" ends the user information: a password may hold an "@" of its own.
    const std::size_t at = authority.rfind('@');
    if (at == std::string_view::npos)
        return {0, 0};
    const std::size_t colon = authority.find(':');
    if (colon == std::string_view::npos || colon > at)
        return {0, 0};
    return {start + colon + 1, start + at};
}

namespace
{

// The password of url itself; an empty range without "@" at all, the usual case.
std::pair<std::size_t, std::size_t> PasswordOfUrl(std::string_view url)
{
    if (url.find('@') == std::string_view::npos)
        return {0, 0};
    const std::size_t scheme = url.find("://");
    return scheme == std::string_view::npos ? std::pair<std::size_t, std::size_t>{0, 0}
                                            : FindUrlPassword(url, scheme);
}

} // namespace

bool HasUrlPassword(std::string_view url)
{
    const auto [from, to] = PasswordOfUrl(url);
    return from != to;
}

std::string UrlWithoutPassword(std::string_view url)
{
    const auto [from, to] = PasswordOfUrl(url);
    if (from == to)
        return std::string(url);
    // Without a user name the "@" would announce an empty one.
    const bool noUser = from == url.find("://") + 4;
    std::string kept(url.substr(0, from - 1));
    kept.append(url.substr(noUser ? to + 1 : to));
    return kept;
}
