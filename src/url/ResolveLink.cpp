#include "url/Url.h"
#include "url/UrlCanonicalizer.h"

#include <algorithm>

namespace
{

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// Removes "." and ".." segments from the path of an absolute text that resolution built, so
// that "./x.htm" and "x.htm" on one page name one link (one record, one read).
void RemovePathDots(std::string& text)
{
    const std::size_t authority = text.find("://");
    if (authority == std::string::npos)
        return;
    const std::size_t pathStart = text.find('/', authority + 3);
    if (pathStart == std::string::npos)
        return;
    // Most links hold no "/." anywhere: one search spares them the search for the path's end.
    if (text.find("/.", pathStart) == std::string::npos)
        return;
    // Two searches for one byte each are much cheaper than one search for either.
    const std::size_t pathEnd = std::min(text.find('?', pathStart), text.find('#', pathStart));
    const std::string_view path = std::string_view(text).substr(
        pathStart, pathEnd == std::string::npos ? std::string::npos : pathEnd - pathStart);
    if (path.find("/.") == std::string_view::npos)
        return;
    text.replace(pathStart, path.size(), RemoveDotSegments(path));
}

// What the links of base resolve against, each text with its scheme, host and non-default
// port: its directory and its site root. The links of one page resolve against one base, so
// the texts are made once for it.
struct CBaseTexts
{
    std::string url;
    std::string directory;
    std::string siteRoot;
};

const CBaseTexts& BaseTexts(const CUrl& base)
{
    thread_local CBaseTexts t_texts;
    if (t_texts.url != base.m_url || t_texts.directory.empty())
    {
        t_texts.directory.clear();
        base.GetBaseDirectory(t_texts.directory);
        t_texts.siteRoot.clear();
        if (base.SchemePrefix().empty())
            t_texts.siteRoot = "http://" + std::string(base.Host());
        else
            base.GetSiteRoot(t_texts.siteRoot);
        t_texts.url = base.m_url;
    }
    return t_texts;
}

} // namespace

bool ResolveLink(const CUrl& base, std::string& link)
{
    if (link.empty())
        return false;
    std::replace(link.begin(), link.end(), '\\', '/');

    // A protocol-relative link names another host but keeps the page's scheme.
    if (StartsWith(link, "//"))
    {
        std::string_view prefix = base.SchemePrefix();
        if (prefix.empty())
            prefix = "http://";
        prefix.remove_suffix(2); // keep "scheme:"
        link.insert(0, prefix);
        CUrl::StripFragment(link);
        return true;
    }

    if (link.find(':') != std::string::npos)
    {
        CUrl::StripFragment(link);
        return true;
    }

    if (link[0] == '/')
    {
        // Root-relative: the page's scheme, host and non-default port.
        link.insert(0, BaseTexts(base).siteRoot);
        CUrl::StripFragment(link);
        RemovePathDots(link);
        return true;
    }

    std::string_view directory = BaseTexts(base).directory;
    // The directory's path follows the scheme, host and port.
    const std::size_t pathStart = directory.size() - base.Directory().size();
    std::size_t skip = 0;
    while (link.compare(skip, 3, "../") == 0)
    {
        // A parent step never climbs above the host's root.
        if (directory.size() - pathStart > 1)
            directory = CUrl::ParentDirectory(directory);
        skip += 3;
    }
    link.erase(0, skip);
    if (link.empty())
        return false;

    if (link[0] != '/' && (directory.empty() || directory.back() != '/'))
        link.insert(0, 1, '/');
    link.insert(0, directory);
    CUrl::StripFragment(link);
    RemovePathDots(link);
    return true;
}
