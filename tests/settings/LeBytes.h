#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Hand-built file bytes for the tests: little-endian words and short strings, written out
// independently of the archive code under test.
inline std::string Le32(std::uint32_t value)
{
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
    return bytes;
}

// A string below 255 characters: one length byte, then the characters.
inline std::string ShortString(std::string_view text)
{
    return std::string(1, static_cast<char>(text.size())) + std::string(text);
}
