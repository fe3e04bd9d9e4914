#include "url/UrlPassword.h"

namespace
{

struct CPasswordPlace
{
    // The ":" before the password and the "@" after it; both npos when there is none.
    std::size_t colon = std::string_view::npos;
    std::size_t at = std::string_view::npos;
};

CPasswordPlace FindPassword(std::string_view url)
{
    if (url.find('@') == std::string_view::npos)
        return {};
    const std::size_t scheme = url.find("://");
    if (scheme == std::string_view::npos)
        return {};
    const std::size_t start = scheme + 3;
    std::size_t end = url.find_first_of("/?#", start);
    if (end == std::string_view::npos)
        end = url.size();
    const std::string_view authority = url.substr(start, end - start);
    // The last "@" ends the user information: a password may hold an "@" of its own.
    const std::size_t at = authority.rfind('@');
    if (at == std::string_view::npos)
        return {};
    const std::size_t colon = authority.find(':');
    if (colon == std::string_view::npos || colon > at)
        return {};
    return {start + colon, start + at};
}

} // namespace

bool HasUrlPassword(std::string_view url)
{
    return FindPassword(url).colon != std::string_view::npos;
}

std::string UrlWithoutPassword(std::string_view url)
{
    const CPasswordPlace place = FindPassword(url);
    if (place.colon == std::string_view::npos)
        return std::string(url);
    const std::size_t start = url.find("://") + 3;
    std::string kept(url.substr(0, place.colon));
    // Without a user name the "@" would announce an empty one.
    const std::size_t restFrom = place.colon == start ? place.at + 1 : place.at;
    kept.append(url.substr(restFrom));
    return kept;
}
