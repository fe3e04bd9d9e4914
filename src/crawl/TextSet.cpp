#include "crawl/TextSet.h"

#include <algorithm>
#include <cstring>
#include <random>

namespace
{

// Each text is stored after its length.
constexpr std::size_t kLengthBytes = sizeof(std::uint32_t);
constexpr std::size_t kWord = sizeof(std::uint64_t);
constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;

// The eight bytes at p, or the n (1 to 7) bytes there padded with zeros: the tail of a text is
// read by two overlapping loads, never a copy of variable length.
std::uint64_t LoadWord(const char* p)
{
    std::uint64_t word = 0;
    std::memcpy(&word, p, kWord);
    return word;
}

std::uint64_t LoadTail(const char* p, std::size_t n)
{
    const auto byte = [p](std::size_t i)
    { return std::uint64_t{static_cast<unsigned char>(p[i])}; };
    if (n < 4)
        return byte(0) | byte(n / 2) << (8 * (n / 2)) | byte(n - 1) << (8 * (n - 1));
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    std::memcpy(&low, p, 4);
    std::memcpy(&high, p + n - 4, 4);
    return low | std::uint64_t{high} << (8 * (n - 4));
}

// Calls visit with each eight-byte word of the text in turn, the last one padded with zeros;
// false from visit stops the walk and is returned.
template <class Visit> bool ForEachWord(const char* p, std::size_t size, Visit visit)
{
    std::size_t i = 0;
    for (; i + kWord <= size; i += kWord)
    {
        if (!visit(i, LoadWord(p + i)))
            return false;
    }
    return i == size || visit(i, LoadTail(p + i, size - i));
}

} // namespace

CTextSet::CTextSet() : m_slots(64), m_seed(std::random_device{}()) {}

CTextSet::~CTextSet() = default;

std::uint32_t CTextSet::HashOf(std::string_view text) const
{
    // Eight bytes a step, each word mixed in by a multiply and a shift, from the set's seed.
    std::uint64_t hash = m_seed ^ (text.size() * kMultiplier);
    ForEachWord(text.data(), text.size(),
                [&hash](std::size_t, std::uint64_t word)
                {
                    hash = (hash ^ word) * kMultiplier;
                    hash ^= hash >> 32;
                    return true;
                });
    hash ^= hash >> 29;
    hash *= 0xbf58476d1ce4e5b9ULL;
    hash ^= hash >> 32;
    return static_cast<std::uint32_t>(hash);
}

bool CTextSet::Matches(const CSlot& slot, std::string_view text) const
{
    const char* at = m_texts.At(slot.place);
    std::uint32_t length = 0;
    std::memcpy(&length, at, kLengthBytes);
    if (length != text.size())
        return false;
    at += kLengthBytes;
    return ForEachWord(text.data(), text.size(),
                       [&](std::size_t i, std::uint64_t word)
                       {
                           const std::size_t left = text.size() - i;
                           const std::uint64_t stored =
                               left >= kWord ? LoadWord(at + i) : LoadTail(at + i, left);
                           return stored == word;
                       });
}

std::size_t CTextSet::Probe(std::string_view text, std::uint32_t hash) const
{
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask)
    {
        const CSlot& slot = m_slots[i];
        if (slot.place == 0 || (slot.hash == hash && Matches(slot, text)))
            return i;
    }
}

std::uint32_t CTextSet::Store(std::string_view text)
{
    std::uint32_t place = 0;
    char* at = m_texts.Allocate(kLengthBytes + text.size(), place);
    const auto length = static_cast<std::uint32_t>(text.size());
    std::memcpy(at, &length, kLengthBytes);
    at += kLengthBytes;
    ForEachWord(text.data(), text.size(),
                [&](std::size_t i, std::uint64_t word)
                {
                    std::memcpy(at + i, &word, std::min(kWord, text.size() - i));
                    return true;
                });
    return place;
}

void CTextSet::Grow()
{
    std::vector<CSlot> old(m_slots.size() * 2);
    old.swap(m_slots);
    const std::size_t mask = m_slots.size() - 1;
    for (const CSlot& slot : old)
    {
        if (slot.place == 0)
            continue;
        std::size_t i = slot.hash & mask;
        while (m_slots[i].place != 0)
            i = (i + 1) & mask;
        m_slots[i] = slot;
    }
}

bool CTextSet::Insert(std::string_view text)
{
    const std::uint32_t hash = HashOf(text);
    std::size_t i = Probe(text, hash);
    if (m_slots[i].place != 0)
        return false;
    // At most 70 % full: probes stay short (each slot keeps its hash, so a probe past another
    // text rarely reads it) and the table stays small.
    if ((m_size + 1) * 10 > m_slots.size() * 7)
    {
        Grow();
        i = Probe(text, hash);
    }
    m_slots[i] = CSlot{hash, Store(text)};
    ++m_size;
    return true;
}

bool CTextSet::Contains(std::string_view text) const
{
    return m_slots[Probe(text, HashOf(text))].place != 0;
}
