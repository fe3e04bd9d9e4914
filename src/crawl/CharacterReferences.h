#pragma once

#include <cstddef>
#include <string>

// Character references in attribute values and page text: "&amp;", "&lt;", "&gt;", "&quot;",
// "&apos;", "&#NN;" and "&#xHH;". Pages write "a=1&amp;b=2" in every query-string link; read
// literally, the link names a resource that does not exist. Anything else, a reference
// without its ";" included, stays as text; so do numbers that name no character or a control
// character, which have no place in a URL.

// The longest reference that decodes, "&" and ";" included ("&#x0010FFFF;" stays text).
inline constexpr std::size_t kMaxReferenceLength = 10;

// The reference that begins at text (at its "&"), in a text that a NUL ends: the bytes it
// stands for (UTF-8) are appended to out and its length is returned; 0 when text holds no
// reference there (out is then unchanged).
std::size_t DecodeReferenceAt(const char* text, std::string& out);

// Replaces every reference in value with what it stands for, in one pass (what a reference
// stands for is never decoded again).
void DecodeCharacterReferences(std::string& value);
