#include "platform/TextArena.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace
{

constexpr std::size_t kBlockSize = 64 * 1024;
// A place is the block's number in the high bits and the offset in the low ones, plus one.
constexpr unsigned kOffsetBits = 16;
constexpr std::uint32_t kOffsetMask = (1U << kOffsetBits) - 1;

} // namespace

char* CTextArena::Allocate(std::size_t length, std::uint32_t& place)
{
    if (m_blocks.empty() || m_used + length > m_size || m_used > kOffsetMask)
    {
        // Block numbers must fit, and place + 1 must not wrap.
        if (m_blocks.size() >= kOffsetMask)
            throw std::length_error("too many texts");
        // A text longer than a block gets a block of its own size; it still starts at 0. The
        // block is not cleared, so its memory is only taken as texts fill it.
        m_size = std::max(kBlockSize, length);
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(m_size));
        m_used = 0;
    }
    place = static_cast<std::uint32_t>(((m_blocks.size() - 1) << kOffsetBits) | m_used) + 1;
    char* at = m_blocks.back().get() + m_used;
    m_used += length;
    return at;
}

char* CTextArena::At(std::uint32_t place) const
{
    --place;
    return m_blocks[place >> kOffsetBits].get() + (place & kOffsetMask);
}

std::string_view CTextArena::Keep(std::string_view text)
{
    std::uint32_t place = 0;
    char* at = Allocate(text.size(), place);
    if (!text.empty())
        std::memcpy(at, text.data(), text.size());
    return {at, text.size()};
}

void CTextArena::Clear()
{
    m_blocks.clear();
    m_used = 0;
    m_size = 0;
}
