#include "url/Url.h"

#include "url/UrlCanonicalizer.h"

#include <array>

namespace
{

// Extensions that contain one of these words are pages the crawl may read.
constexpr std::array<std::string_view, 6> kPageWords = {"htm", "shtm", "asp", "jsp", "cfm", "phtm"};

constexpr std::size_t kMaxExtensionLength = 4;

bool IsPageExtension(std::string_view extension)
{
    for (std::string_view word : kPageWords)
    {
        if (FindNoCase(extension, word) != std::string_view::npos)
            return true;
    }
    return false;
}

char FoldCase(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

CUrl::CUrl() = default;

CUrl::CUrl(std::string url) : m_url(std::move(url))
{
    Parse();
}

CUrl::~CUrl() = default;

bool CUrl::Parse()
{
    m_extension.clear();
    m_fileTitle.clear();
    m_directory.clear();
    m_host.clear();

    CUrlParts parts;
    if (!CanonicalizeAndSplit(m_url, parts))
    {
        m_serviceType = kServiceUnknown;
        m_pageKind = kPageKindUnparsable;
        m_parsed = true;
        return true;
    }

    m_serviceType = parts.serviceType;
    m_port = parts.port;
    m_host = std::move(parts.host);
    m_object = std::move(parts.object);
    m_userName = std::move(parts.userName);
    m_password = std::move(parts.password);

    m_pageKind = kPageKindPage;
    if (!m_object.empty())
    {
        const std::size_t slash = m_object.find_last_of("/\\");
        std::string_view filePart;
        if (slash != std::string::npos)
        {
            filePart = std::string_view(m_object).substr(slash + 1);
            m_directory.assign(m_object, 0, slash + 1);
        }
        if (!filePart.empty())
        {
            std::string title;
            std::string extension;
            if (!SplitFileName(filePart, title, extension))
            {
                m_fileTitle.assign(filePart);
                m_fileName = m_fileTitle;
            }
            else if (extension.empty())
            {
                // No extension: the last segment names a directory (without a trailing slash).
                m_directory = m_object;
            }
            else
            {
                m_pageKind = IsPageExtension(extension) ? kPageKindPage : kPageKindFile;
                m_fileTitle = std::move(title);
                m_extension = std::move(extension);
                m_fileName = m_fileTitle + "." + m_extension;
            }
        }
    }
    m_parsed = true;
    return true;
}

std::string_view CUrl::SchemePrefix() const
{
    switch (m_serviceType)
    {
    case kServiceHttp:
        return "http://";
    case kServiceHttps:
        return "https://";
    case kServiceFtp:
        return "ftp://";
    default:
        return "";
    }
}

bool CUrl::HasDefaultPort() const
{
    return m_port == 0 || m_port == DefaultPortOf(m_serviceType);
}

void CUrl::GetBaseDirectory(std::string& out) const
{
    out += SchemePrefix();
    out += m_host;
    // Keeping a non-default port sends a site's relative links to the server they came from.
    if (!SchemePrefix().empty() && !HasDefaultPort())
    {
        out += ':';
        out += std::to_string(m_port);
    }
    out += m_directory;
}

void CUrl::ParentDirectory(std::string& text)
{
    std::string_view t(text);
    if (!t.empty() && t.back() == '/')
        t.remove_suffix(1);
    const std::size_t slash = t.rfind('/');
    if (slash != std::string_view::npos)
        text.resize(slash + 1);
}

void CUrl::StripFragment(std::string& text)
{
    const std::size_t hash = text.find('#');
    if (hash != std::string::npos)
        text.resize(hash);
}

bool CUrl::SplitFileName(std::string_view filePart, std::string& title, std::string& extension)
{
    const std::size_t dot = filePart.rfind('.');
    const std::size_t slash = filePart.rfind('/');
    const bool dotAfterSlash = slash == std::string_view::npos || dot > slash;
    if (dot == std::string_view::npos || dot == 0 || !dotAfterSlash)
    {
        title.assign(filePart);
        extension.clear();
        return true;
    }
    if (filePart.size() - dot - 1 > kMaxExtensionLength)
    {
        title.assign(filePart);
        extension.clear();
        return false;
    }
    title.assign(filePart.substr(0, dot));
    extension.assign(filePart.substr(dot + 1));
    return true;
}

std::size_t FindNoCase(std::string_view text, std::string_view word)
{
    if (text.empty())
        return std::string_view::npos;
    if (word.empty())
        return 0;
    if (word.size() > text.size())
        return std::string_view::npos;
    const char first = FoldCase(word[0]);
    const std::size_t last = text.size() - word.size();
    for (std::size_t i = 0; i <= last; ++i)
    {
        if (FoldCase(text[i]) != first)
            continue;
        std::size_t k = 1;
        while (k < word.size() && FoldCase(text[i + k]) == FoldCase(word[k]))
            ++k;
        if (k == word.size())
            return i;
    }
    return std::string_view::npos;
}

std::uint16_t DefaultPortOf(std::uint32_t serviceType)
{
    switch (serviceType)
    {
    case kServiceHttp:
        return 80;
    case kServiceHttps:
        return 443;
    case kServiceFtp:
        return 21;
    case kServiceGopher:
        return 70;
    default:
        return 0;
    }
}

bool IsTransferService(std::uint32_t serviceType)
{
    return serviceType == kServiceHttp || serviceType == kServiceHttps ||
           serviceType == kServiceFtp;
}

bool HasTransferScheme(std::string_view url)
{
    const std::size_t colon = url.find("://");
    return colon != std::string_view::npos &&
           IsTransferService(ServiceTypeOfScheme(url.substr(0, colon)));
}

bool IsSameSite(const CUrl& a, const CUrl& b)
{
    if (a.m_serviceType != b.m_serviceType || a.m_host.size() != b.m_host.size())
        return false;
    const std::uint16_t portA = a.m_port != 0 ? a.m_port : DefaultPortOf(a.m_serviceType);
    const std::uint16_t portB = b.m_port != 0 ? b.m_port : DefaultPortOf(b.m_serviceType);
    return portA == portB && FindNoCase(a.m_host, b.m_host) == 0;
}

std::string WithDefaultScheme(std::string site)
{
    if (site.find("://") == std::string::npos)
        site.insert(0, "http://");
    return site;
}
