#include "url/LinkDecision.h"

#include <array>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <unordered_map>

namespace
{

// Enough stripes that browse threads rarely meet on one; a decision is written a few times per
// link, so the locks are cheap beside the link's parse.
constexpr std::size_t kStripes = 64;

std::mutex& StripeOf(const void* record)
{
    static std::array<std::mutex, kStripes> stripes;
    const auto address = reinterpret_cast<std::uintptr_t>(record);
    return stripes[(address >> 4) % kStripes];
}

struct CTextTable
{
    std::mutex mutex;
    // A deque never moves its strings, so the map's keys may view them.
    std::deque<std::string> texts;
    std::unordered_map<std::string_view, std::uint32_t> ids;
};

CTextTable& Texts()
{
    static CTextTable table;
    return table;
}

} // namespace

void CLinkDecision::Set(const CDecision& decision)
{
    std::lock_guard lock(StripeOf(this));
    m_decision = decision;
}

CDecision CLinkDecision::Get() const
{
    std::lock_guard lock(StripeOf(this));
    return m_decision;
}

std::uint32_t DecisionTextId(std::string_view text)
{
    if (text.empty())
        return 0;
    CTextTable& table = Texts();
    std::lock_guard lock(table.mutex);
    if (const auto found = table.ids.find(text); found != table.ids.end())
        return found->second;
    table.texts.emplace_back(text);
    const auto id = static_cast<std::uint32_t>(table.texts.size());
    table.ids.emplace(table.texts.back(), id);
    return id;
}

std::string DecisionText(std::uint32_t id)
{
    CTextTable& table = Texts();
    std::lock_guard lock(table.mutex);
    return id == 0 || id > table.texts.size() ? std::string() : table.texts[id - 1];
}
