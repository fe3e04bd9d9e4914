#include "crawl/FoldedTextSet.h"

#include <cstring>
#include <random>

namespace
{

// Each text is stored after its length.
constexpr std::size_t kLengthBytes = sizeof(std::uint32_t);

char Fold(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

} // namespace

CFoldedTextSet::CFoldedTextSet() : m_slots(64), m_seed(std::random_device{}()) {}

CFoldedTextSet::~CFoldedTextSet() = default;

std::uint32_t CFoldedTextSet::HashOf(std::string_view text) const
{
    // FNV-1a over the folded bytes, started from the set's seed, then mixed.
    std::uint64_t hash = 0xcbf29ce484222325ULL ^ m_seed;
    for (char c : text)
    {
        hash ^= static_cast<unsigned char>(Fold(c));
        hash *= 0x100000001b3ULL;
    }
    hash ^= hash >> 29;
    hash *= 0xbf58476d1ce4e5b9ULL;
    hash ^= hash >> 32;
    return static_cast<std::uint32_t>(hash);
}

bool CFoldedTextSet::Matches(const CSlot& slot, std::string_view text) const
{
    const char* at = m_texts.At(slot.place);
    std::uint32_t length = 0;
    std::memcpy(&length, at, kLengthBytes);
    if (length != text.size())
        return false;
    at += kLengthBytes;
    // Links are mostly written in lower case already.
    if (std::memcmp(at, text.data(), text.size()) == 0)
        return true;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (at[i] != Fold(text[i]))
            return false;
    }
    return true;
}

std::size_t CFoldedTextSet::Probe(std::string_view text, std::uint32_t hash) const
{
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask)
    {
        const CSlot& slot = m_slots[i];
        if (slot.place == 0 || (slot.hash == hash && Matches(slot, text)))
            return i;
    }
}

std::uint32_t CFoldedTextSet::Store(std::string_view text)
{
    std::uint32_t place = 0;
    char* at = m_texts.Allocate(kLengthBytes + text.size(), place);
    const auto length = static_cast<std::uint32_t>(text.size());
    std::memcpy(at, &length, kLengthBytes);
    for (std::size_t i = 0; i < text.size(); ++i)
        at[kLengthBytes + i] = Fold(text[i]);
    return place;
}

void CFoldedTextSet::Grow()
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

bool CFoldedTextSet::Insert(std::string_view text)
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

bool CFoldedTextSet::Contains(std::string_view text) const
{
    return m_slots[Probe(text, HashOf(text))].place != 0;
}
