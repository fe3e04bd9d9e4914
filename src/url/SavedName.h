#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The last segment of a URL's path (its query and fragment never count), percent-decoded where
// the escapes make UTF-8; an escape that would make a broken character stays as written. Empty
// when the path ends in "/" or the URL has none.
std::string UrlFileName(std::string_view url);

// A name as a Linux file name may hold it and as it cannot hide or endanger the file: "/", NUL,
// control characters, the bidirectional controls (U+202A-U+202E, U+2066-U+2069) and a leading
// "." or "-" each become "_". Everything else, UTF-8 and blanks included, stays.
std::string SafeFileName(std::string_view name);

// Shortens text to at most maxBytes without cutting a UTF-8 character in two.
void CutOnCharacter(std::string& text, std::size_t maxBytes);
