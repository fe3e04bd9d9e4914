#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// Texts kept end to end in large blocks, for tables that hold many short texts as long as they
// live: each text costs its bytes and nothing else. Texts never move; Clear frees them all.
// Not thread-safe.
class CTextArena
{
public:
    // A copy of the text that stays where it is until Clear.
    std::string_view Keep(std::string_view text);
    // Room for length bytes; place (never 0) names it for At. At most 65 535 blocks of 64 KB
    // (longer texts take a block of their own), which std::length_error reports.
    char* Allocate(std::size_t length, std::uint32_t& place);
    char* At(std::uint32_t place) const;
    void Clear();

private:
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::size_t m_used = 0;
    std::size_t m_size = 0;
};
