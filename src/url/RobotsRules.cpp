#include "url/RobotsRules.h"

#include "platform/AsciiText.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <optional>

namespace
{

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Escapes written either way compare equal: "%aa" and "%AA", and a raw byte above 127 and its
// escape.
std::string NormalEscapes(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '%' && i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 &&
            HexDigitValue(text[i + 2]) >= 0)
        {
            out += '%';
            out += kHexDigits[HexDigitValue(text[i + 1])];
            out += kHexDigits[HexDigitValue(text[i + 2])];
            i += 2;
        }
        else if (byte > 127)
        {
            out += '%';
            out += kHexDigits[byte >> 4];
            out += kHexDigits[byte & 15];
        }
        else
        {
            out += static_cast<char>(byte);
        }
    }
    return out;
}

// The part of an agent text that groups name: "Hvstr152" of "Hvstr152/1.5 (Linux)".
std::string_view ProductToken(std::string_view agent)
{
    agent = AsciiTrim(agent);
    return agent.substr(0, agent.find_first_of("/ ;\t"));
}

std::optional<std::chrono::milliseconds> ParseDelay(std::string_view value)
{
    const std::string text(value);
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !std::isfinite(seconds) || seconds < 0)
        return std::nullopt;
    const double capped = std::min(seconds, static_cast<double>(kMaxCrawlDelay.count()));
    return std::chrono::milliseconds(static_cast<std::int64_t>(capped * 1000));
}

} // namespace

bool RobotsPatternMatches(std::string_view pattern, std::string_view path)
{
    const bool anchored = !pattern.empty() && pattern.back() == '$';
    if (anchored)
        pattern.remove_suffix(1);
    std::size_t star = pattern.find('*');
    if (star == std::string_view::npos)
        return anchored ? path == pattern : path.starts_with(pattern);
    if (!path.starts_with(pattern.substr(0, star)))
        return false;
    std::size_t at = star;
    pattern.remove_prefix(star + 1);
    // Each piece between stars at its first place from where the last one ended: an earlier
    // place never rules out a match that a later one allows.
    for (;;)
    {
        star = pattern.find('*');
        const std::string_view piece = pattern.substr(0, star);
        if (star == std::string_view::npos)
        {
            if (!anchored)
                return path.find(piece, at) != std::string_view::npos;
            return path.size() >= at + piece.size() && path.ends_with(piece);
        }
        const std::size_t found = path.find(piece, at);
        if (found == std::string_view::npos)
            return false;
        at = found + piece.size();
        pattern.remove_prefix(star + 1);
    }
}

CRobotsRules::CRobotsRules(std::string_view text, std::string_view agent)
{
    struct CGroup
    {
        std::vector<std::string> agents;
        std::vector<CRule> rules;
        std::optional<std::chrono::milliseconds> delay;
    };
    std::vector<CGroup> groups;
    // A User-agent line after a group's rules begins the next group; consecutive ones share one.
    bool groupHasRules = true;

    text = text.substr(0, kMaxRobotsBytes);
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    while (!text.empty())
    {
        const std::size_t end = text.find_first_of("\r\n");
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        line = AsciiTrim(line.substr(0, line.find('#')));
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view key = AsciiTrim(line.substr(0, colon));
        const std::string_view value = AsciiTrim(line.substr(colon + 1));
        if (AsciiEqualNoCase(key, "user-agent"))
        {
            if (groupHasRules)
                groups.emplace_back();
            groupHasRules = false;
            groups.back().agents.emplace_back(ProductToken(value));
        }
        else if (AsciiEqualNoCase(key, "sitemap"))
        {
            if (!value.empty())
                m_sitemaps.emplace_back(value);
        }
        else if (groups.empty())
        {
            // Rules before any User-agent line belong to no group.
        }
        else if (AsciiEqualNoCase(key, "allow") || AsciiEqualNoCase(key, "disallow"))
        {
            groupHasRules = true;
            // An empty Disallow allows everything, which is what no rule does too.
            if (!value.empty())
                groups.back().rules.push_back(CRule{
                    NormalEscapes(value), AsciiEqualNoCase(key, "allow"), std::string(value)});
        }
        else if (AsciiEqualNoCase(key, "crawl-delay"))
        {
            groupHasRules = true;
            if (const auto delay = ParseDelay(value))
                groups.back().delay = delay;
        }
    }

    // The groups that name the agent most closely, all of them; else every "*" group.
    const std::string_view token = ProductToken(agent);
    std::size_t best = 0;
    for (const CGroup& group : groups)
    {
        for (const std::string& name : group.agents)
        {
            if (name != "*" && !name.empty() && AsciiStartsWithNoCase(token, name))
                best = std::max(best, name.size());
        }
    }
    const auto chosen = [&](const CGroup& group)
    {
        return std::any_of(group.agents.begin(), group.agents.end(),
                           [&](const std::string& name)
                           {
                               if (best == 0)
                                   return name == "*";
                               return name.size() == best && AsciiStartsWithNoCase(token, name);
                           });
    };
    for (CGroup& group : groups)
    {
        if (!chosen(group))
            continue;
        std::move(group.rules.begin(), group.rules.end(), std::back_inserter(m_rules));
        if (group.delay)
            m_crawlDelay = std::max(m_crawlDelay, *group.delay);
    }
}

CRobotsMatch CRobotsRules::Match(std::string_view pathAndQuery) const
{
    if (m_rules.empty())
        return {};
    const std::string path = NormalEscapes(pathAndQuery.empty() ? "/" : pathAndQuery);
    // The file that says all this is never refused.
    if (path == "/robots.txt")
        return {};
    const CRule* winner = nullptr;
    for (const CRule& rule : m_rules)
    {
        if (winner != nullptr && (rule.pattern.size() < winner->pattern.size() ||
                                  (rule.pattern.size() == winner->pattern.size() && winner->allow)))
            continue;
        if (!RobotsPatternMatches(rule.pattern, path))
            continue;
        if (winner == nullptr || rule.pattern.size() > winner->pattern.size() || rule.allow)
            winner = &rule;
    }
    if (winner == nullptr || winner->allow)
        return {};
    return CRobotsMatch{false, winner->written};
}
