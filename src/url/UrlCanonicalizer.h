#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The parts of a canonical URL.
struct CUrlParts
{
    std::uint32_t serviceType = 0;
    std::uint16_t port = 0;
    std::string host;
    std::string object; // path, query and any fragment, escaped
    std::string userName;
    std::string password;
};

// Canonicalises a URL text (unsafe bytes and spaces escaped as %XX, dot segments removed from
// the path, the scheme's default port when none is given) and splits it. False when the text
// has no scheme, a hierarchical scheme without a host, a bad port, or a part over its limit.
bool CanonicalizeAndSplit(std::string_view url, CUrlParts& parts);

// The service code of a scheme name (any letter case); 0x1000 for schemes without a code.
std::uint32_t ServiceTypeOfScheme(std::string_view scheme);

// Removes "." and ".." segments from a path; a ".." never climbs above the root.
std::string RemoveDotSegments(std::string_view path);
