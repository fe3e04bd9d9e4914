#include "app/CommandLineInfo.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace
{

// The keywords in the order they are tried; each one that matches takes effect.
enum class EKeyword
{
    Term,
    NoCheck,
    Mode,
    Site,
    Identity,
    Minimize,
    Hide,
};

struct CKeyword
{
    std::string_view text;
    EKeyword keyword;
};

constexpr CKeyword kKeywords[] = {
    {"term", EKeyword::Term}, {"nocheck", EKeyword::NoCheck},   {"mode", EKeyword::Mode},
    {"site", EKeyword::Site}, {"identity", EKeyword::Identity}, {"minimize", EKeyword::Minimize},
    {"hide", EKeyword::Hide},
};

char FoldCase(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when the first keyword.size() characters of flag equal the keyword, ignoring case;
// what follows them does not matter.
bool MatchesPrefix(std::string_view flag, std::string_view keyword)
{
    if (flag.size() < keyword.size())
        return false;
    for (std::size_t i = 0; i < keyword.size(); ++i)
    {
        if (FoldCase(flag[i]) != FoldCase(keyword[i]))
            return false;
    }
    return true;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

std::int32_t ReadLeadingInteger(std::string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
    {
        negative = text[pos] == '-';
        ++pos;
    }
    // Accumulate towards the limit of the sign's side so that INT32_MIN is reachable.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos)
    {
        value = value * 10 + (text[pos] - '0');
        if (value > kLimit)
            value = kLimit;
    }
    if (negative)
        return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(value >= kLimit ? kLimit - 1 : value);
}

void CTrawlerCommandLineInfo::ParseParam(std::string_view text, bool isFlag, bool /*isLast*/)
{
    if (isFlag)
    {
        for (const CKeyword& keyword : kKeywords)
        {
            if (!MatchesPrefix(text, keyword.text))
                continue;
            switch (keyword.keyword)
            {
            case EKeyword::Term:
                m_terminate = true;
                break;
            case EKeyword::NoCheck:
                m_noCheck = true;
                break;
            case EKeyword::Mode:
                m_pending = kPendingMode;
                break;
            case EKeyword::Site:
                m_pending = kPendingSite;
                break;
            case EKeyword::Identity:
                m_pending = kPendingIdentity;
                break;
            case EKeyword::Minimize:
                m_minimize = true;
                break;
            case EKeyword::Hide:
                m_hide = true;
                m_terminate = true;
                break;
            }
        }
        return;
    }

    switch (m_pending)
    {
    case kPendingSite:
        m_sites.emplace_back(text);
        break;
    case kPendingMode:
        // Saturating subtraction: "-2147483648" must not overflow.
        m_modeIndex = static_cast<std::int32_t>(std::max<std::int64_t>(
            std::int64_t{ReadLeadingInteger(text)} - 1, std::numeric_limits<std::int32_t>::min()));
        break;
    case kPendingIdentity:
        m_agent.assign(text);
        break;
    default:
        break;
    }
    m_pending = kPendingNone;
}

void CTrawlerCommandLineInfo::ParseCommandLine(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i)
    {
        std::string_view argument = argv[i] != nullptr ? argv[i] : "";
        const bool isFlag =
            !argument.empty() && (argument.front() == '-' || argument.front() == '/');
        if (isFlag)
            argument.remove_prefix(1);
        ParseParam(argument, isFlag, i + 1 == argc);
    }
}
