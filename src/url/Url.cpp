#include "url/Url.h"

#include "url/UrlCanonicalizer.h"

#include <algorithm>
#include <array>

namespace
{

// Extensions that contain one of these words are pages the crawl may read; what a script
// answers decides whether it is a page or a file.
constexpr std::array<std::string_view, 8> kPageWords = {"htm", "shtm", "asp", "jsp",
                                                        "cfm", "phtm", "php", "cgi"};

// Long enough for "appimage" and "torrent", short enough that a version ("v1.2.3-beta") or a
// word after a dot in a name is not taken for one.
constexpr std::size_t kMaxExtensionLength = 10;

bool IsPageExtension(std::string_view extension)
{
    for (std::string_view word : kPageWords)
    {
        if (FindNoCase(extension, word) != std::string_view::npos)
            return true;
    }
    return false;
}

bool IsAsciiAlphanumeric(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The length of the extension of a path segment: the 1 to 10 letters or digits after its last
// dot, when that dot is not the segment's first character; 0 when it has none.
std::size_t ExtensionLength(std::string_view segment)
{
    std::size_t length = 0;
    while (length < segment.size() && IsAsciiAlphanumeric(segment[segment.size() - 1 - length]))
    {
        if (++length > kMaxExtensionLength)
            return 0;
    }
    const std::size_t dot = segment.size() - length - 1;
    if (length == 0 || length == segment.size() || dot == 0 || segment[dot] != '.')
        return 0;
    return length;
}

char FoldCase(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

// A found link that is never transferred costs this much and its text; grow it with care.
static_assert(sizeof(CUrl) <= 144);

struct CUrl::CRare
{
    std::string userName;
    std::string password;
    // Host and object as canonicalising wrote them, when they are not part of m_url as given.
    std::string parts;
    // A file name that a parse of another text left in place (a base record that is parsed
    // again keeps its file name).
    std::string keptFileName;
    std::string localFileName;
};

CUrl::CUrl() = default;

CUrl::CUrl(std::string url) : m_url(std::move(url))
{
    Parse({});
}

CUrl::~CUrl()
{
    delete m_rare.load(std::memory_order_relaxed);
}

CUrl::CRare& CUrl::Rare()
{
    CRare* rare = m_rare.load(std::memory_order_acquire);
    if (rare != nullptr)
        return *rare;
    auto made = std::make_unique<CRare>();
    // Two threads may ask at once (one names the file, one reads the credentials): one wins.
    if (m_rare.compare_exchange_strong(rare, made.get(), std::memory_order_acq_rel))
        return *made.release();
    return *rare;
}

std::string_view CUrl::Part(CSlice slice) const
{
    const CRare* rare = m_partsInRare ? m_rare.load(std::memory_order_acquire) : nullptr;
    const std::string_view text = rare != nullptr ? std::string_view(rare->parts) : m_url;
    return text.substr(std::min<std::size_t>(slice.position, text.size()), slice.length);
}

std::string_view CUrl::FileName() const
{
    if (m_fileNameLength == 0)
    {
        const CRare* rare = m_rare.load(std::memory_order_acquire);
        return rare != nullptr ? std::string_view(rare->keptFileName) : std::string_view();
    }
    return Object().substr(m_directoryLength, m_fileNameLength);
}

std::string_view CUrl::Extension() const
{
    if (m_extensionLength == 0)
        return {};
    return Object().substr(m_directoryLength + m_fileNameLength - m_extensionLength,
                           m_extensionLength);
}

std::string_view CUrl::UserName() const
{
    const CRare* rare = m_rare.load(std::memory_order_acquire);
    return rare != nullptr ? std::string_view(rare->userName) : std::string_view();
}

std::string_view CUrl::Password() const
{
    const CRare* rare = m_rare.load(std::memory_order_acquire);
    return rare != nullptr ? std::string_view(rare->password) : std::string_view();
}

std::string_view CUrl::LocalFileName() const
{
    const CRare* rare = m_rare.load(std::memory_order_acquire);
    return rare != nullptr ? std::string_view(rare->localFileName) : std::string_view();
}

void CUrl::SetLocalFileName(std::string path)
{
    Rare().localFileName = std::move(path);
}

namespace
{

// Where part lies in text, searched from from on; npos when it is not there as it is.
std::size_t PlaceOf(std::string_view text, std::string_view part, std::size_t from)
{
    if (part.empty())
        return from <= text.size() ? from : std::string_view::npos;
    return text.find(part, from);
}

} // namespace

void CUrl::Reparse(std::string url)
{
    // The old file name is a view of the old text: copy it before the text goes.
    std::string fileName(FileName());
    m_url = std::move(url);
    Parse(std::move(fileName));
}

void CUrl::Parse(std::string fileName)
{
    m_host = {};
    m_object = {};
    m_directoryLength = 0;
    m_fileNameLength = 0;
    m_titleLength = 0;
    m_extensionLength = 0;
    m_partsInRare = false;
    if (CRare* rare = m_rare.load(std::memory_order_acquire))
    {
        rare->userName.clear();
        rare->password.clear();
        rare->parts.clear();
        rare->keptFileName.clear();
    }

    CUrlParts parts;
    const bool split = CanonicalizeAndSplit(m_url, parts);
    if (split)
    {
        m_serviceType = parts.serviceType;
        m_port = parts.port;
        if (!parts.userName.empty() || !parts.password.empty())
        {
            Rare().userName = std::move(parts.userName);
            Rare().password = std::move(parts.password);
        }
        // Mostly the canonical parts are the given text's own: the host after "://", the object
        // right after the host (or its port).
        const std::size_t hostAt = PlaceOf(m_url, parts.host, m_url.find("://") + 3);
        const std::size_t objectAt = hostAt == std::string::npos
                                         ? hostAt
                                         : PlaceOf(m_url, parts.object, hostAt + parts.host.size());
        const bool asGiven = m_url.find("://") != std::string::npos &&
                             hostAt != std::string::npos && objectAt != std::string::npos &&
                             objectAt + parts.object.size() == m_url.size() && objectAt <= 0xFFFF &&
                             parts.object.size() <= 0xFFFF;
        if (asGiven)
        {
            m_host = {static_cast<std::uint16_t>(hostAt),
                      static_cast<std::uint16_t>(parts.host.size())};
            m_object = {static_cast<std::uint16_t>(objectAt),
                        static_cast<std::uint16_t>(parts.object.size())};
        }
        else
        {
            // Within the limits of a host and an object, so the offsets fit.
            CRare& rare = Rare();
            rare.parts = parts.host + parts.object;
            m_host = {0, static_cast<std::uint16_t>(parts.host.size())};
            m_object = {static_cast<std::uint16_t>(parts.host.size()),
                        static_cast<std::uint16_t>(parts.object.size())};
            m_partsInRare = true;
        }
    }
    else
    {
        m_serviceType = kServiceUnknown;
    }

    m_pageKind = split ? kPageKindPage : kPageKindUnparsable;
    const std::string_view object = Object();
    // The path ends where the query or fragment begins: a dot or "/" there names nothing.
    const std::string_view path = object.substr(0, object.find_first_of("?#"));
    const std::size_t slash = path.find_last_of("/\\");
    if (split && slash != std::string_view::npos)
    {
        m_directoryLength = static_cast<std::uint16_t>(slash + 1);
        // The last segment names a file even without an extension: its links resolve in the
        // directory above it, as a browser resolves them.
        const std::string_view segment = path.substr(slash + 1);
        const std::size_t extension = ExtensionLength(segment);
        m_fileNameLength = static_cast<std::uint16_t>(segment.size());
        m_titleLength =
            static_cast<std::uint16_t>(segment.size() - (extension == 0 ? 0 : extension + 1));
        m_extensionLength = static_cast<std::uint16_t>(extension);
        if (extension != 0 && !IsPageExtension(segment.substr(segment.size() - extension)))
            m_pageKind = kPageKindFile;
    }
    if (m_fileNameLength == 0 && !fileName.empty())
        Rare().keptFileName = std::move(fileName);
    m_parsed = true;
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

void CUrl::GetSiteRoot(std::string& out) const
{
    out += SchemePrefix();
    out += Host();
    // Keeping a non-default port sends a site's relative links to the server they came from.
    if (!SchemePrefix().empty() && !HasDefaultPort())
    {
        out += ':';
        out += std::to_string(m_port);
    }
}

void CUrl::GetBaseDirectory(std::string& out) const
{
    GetSiteRoot(out);
    out += Directory();
}

void CUrl::StripFragment(std::string& text)
{
    const std::size_t hash = text.find('#');
    if (hash != std::string::npos)
        text.resize(hash);
}

bool CUrl::SplitFileName(std::string_view segment, std::string& title, std::string& extension)
{
    const std::size_t length = ExtensionLength(segment);
    title.assign(segment.substr(0, segment.size() - (length == 0 ? 0 : length + 1)));
    extension.assign(segment.substr(segment.size() - length));
    return length != 0;
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
    if (a.m_serviceType != b.m_serviceType || a.Host().size() != b.Host().size())
        return false;
    const std::uint16_t portA = a.m_port != 0 ? a.m_port : DefaultPortOf(a.m_serviceType);
    const std::uint16_t portB = b.m_port != 0 ? b.m_port : DefaultPortOf(b.m_serviceType);
    return portA == portB && FindNoCase(a.Host(), b.Host()) == 0;
}

std::string WithDefaultScheme(std::string site)
{
    if (site.find("://") == std::string::npos)
        site.insert(0, "http://");
    return site;
}
