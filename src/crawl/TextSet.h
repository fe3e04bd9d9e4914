#pragma once

#include "platform/TextArena.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// A set of texts compared byte for byte, kept small because a crawl adds every link it meets:
// the texts lie end to end in an arena and an open-addressed table holds where each one starts.
// URLs go in in their normal form (NormalizeUrl), so that one resource is one text. Not
// thread-safe.
class CTextSet
{
public:
    CTextSet();
    ~CTextSet();
    CTextSet(const CTextSet&) = delete;
    CTextSet& operator=(const CTextSet&) = delete;

    // Adds the text; false when an equal one is in the set already.
    bool Insert(std::string_view text);
    bool Contains(std::string_view text) const;
    std::size_t Size() const { return m_size; }

private:
    // A used slot names its text by its place in the arena; place 0 is a free slot.
    struct CSlot
    {
        std::uint32_t hash = 0;
        std::uint32_t place = 0;
    };

    std::uint32_t HashOf(std::string_view text) const;
    // The slot that holds the text, or the free slot where it belongs.
    std::size_t Probe(std::string_view text, std::uint32_t hash) const;
    bool Matches(const CSlot& slot, std::string_view text) const;
    std::uint32_t Store(std::string_view text);
    void Grow();

    CTextArena m_texts;
    std::vector<CSlot> m_slots;
    std::size_t m_size = 0;
    // Chosen per set so that a page cannot pick links that all land in one slot chain.
    std::uint64_t m_seed;
};
