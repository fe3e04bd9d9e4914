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

// Canonicalises a URL text (the host in small letters, the object as AppendNormalObject writes
// it, dot segments removed from the path, the scheme's default port when none is given) and
// splits it. False when the text
// has no scheme, a hierarchical scheme without a host, a bad port, or a part over its limit.
bool CanonicalizeAndSplit(std::string_view url, CUrlParts& parts);

// The service code of a scheme name (any letter case); 0x1000 for schemes without a code.
std::uint32_t ServiceTypeOfScheme(std::string_view scheme);

// Removes "." and ".." segments from a path; a ".." never climbs above the root.
std::string RemoveDotSegments(std::string_view path);

// Appends a path, query or both in their normal form: unsafe bytes and blanks escaped as %XX,
// escapes of letters, digits and "-._~" decoded, every other escape in capitals. Two texts that
// name one resource this way are then equal byte for byte.
void AppendNormalObject(std::string& out, std::string_view text);

// Removes the dot segments of the path that starts at pathStart in text (it ends at "?" or "#").
void RemovePathDots(std::string& text, std::size_t pathStart);

// The text by which URLs of http, https, ftp and gopher are compared: scheme and host in small
// letters, no default port, "/" for an empty path, the object normal, no fragment. Any other
// text comes back as it is.
std::string NormalizeUrl(std::string_view url);
// True for an http, https or ftp URL already in that form: the usual link, checked without a
// copy.
bool IsNormalUrl(std::string_view url);
