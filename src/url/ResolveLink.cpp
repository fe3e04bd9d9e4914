#include "url/Url.h"
#include "url/UrlCanonicalizer.h"

#include <algorithm>

namespace
{

bool IsSchemeStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsSchemeCharacter(char c)
{
    return IsSchemeStart(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// True when the link names its own scheme: scheme characters up to its first ":". A ":" after
// any other character ("q.htm?t=1:2", "./a:b") belongs to a relative reference.
bool HasScheme(std::string_view link)
{
    // Most links hold no ":" at all: one search answers for them.
    const std::size_t colon = link.find(':');
    if (colon == std::string_view::npos || colon == 0 || !IsSchemeStart(link[0]))
        return false;
    return std::all_of(link.begin() + 1, link.begin() + static_cast<std::ptrdiff_t>(colon),
                       IsSchemeCharacter);
}

// What the links of base resolve against, each text with its scheme, host and non-default
// port: its site root, its directory (the path up to its last "/") and its path. The links of
// one page resolve against one base, so the texts are made once for it.
struct CBaseTexts
{
    std::string url;
    std::string siteRoot;
    std::string directory;
    std::string path;
};

const CBaseTexts& BaseTexts(const CUrl& base)
{
    thread_local CBaseTexts t_texts;
    if (t_texts.url != base.m_url || t_texts.siteRoot.empty())
    {
        t_texts.siteRoot.clear();
        base.GetSiteRoot(t_texts.siteRoot);
        t_texts.directory = t_texts.siteRoot;
        t_texts.directory += base.Directory();
        if (t_texts.directory.back() != '/')
            t_texts.directory += '/';
        const std::string_view object = base.Object();
        const std::string_view path = object.substr(0, object.find_first_of("?#"));
        t_texts.path = t_texts.siteRoot;
        t_texts.path += path.empty() ? std::string_view("/") : path;
        t_texts.url = base.m_url;
    }
    return t_texts;
}

} // namespace

bool ResolveLink(const CUrl& base, std::string& link)
{
    std::replace(link.begin(), link.end(), '\\', '/');
    CUrl::StripFragment(link);

    if (HasScheme(link))
    {
        if (!IsNormalUrl(link))
            link = NormalizeUrl(link);
        return true;
    }
    // A protocol-relative link names another host but keeps the page's scheme.
    if (link.starts_with("//"))
    {
        std::string_view prefix = base.SchemePrefix();
        if (prefix.empty())
            prefix = "http://";
        prefix.remove_suffix(2); // keep "scheme:"
        link.insert(0, prefix);
        if (!IsNormalUrl(link))
            link = NormalizeUrl(link);
        return true;
    }

    // An empty reference ("", "#top") is the page itself, which the crawl has met already; a
    // base that is no http, https or ftp address with a host has nothing to resolve against.
    if (link.empty() || base.SchemePrefix().empty() || base.Host().empty())
        return false;
    // The rest merge with the base as RFC 3986 section 5.2 says: a query replaces the base's, a
    // path from the root replaces the base's path, and any other path replaces the base's last
    // segment (which names a file, with or without an extension).
    const CBaseTexts& texts = BaseTexts(base);
    thread_local std::string t_merged;
    std::string& merged = t_merged;
    merged = link[0] == '?' ? texts.path : link[0] == '/' ? texts.siteRoot : texts.directory;
    AppendNormalObject(merged, link);
    RemovePathDots(merged, texts.siteRoot.size());
    link.swap(merged);
    return true;
}
