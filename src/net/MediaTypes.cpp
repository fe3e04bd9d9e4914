#include "net/MediaTypes.h"

#include "platform/AsciiText.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace
{

constexpr const char* kSystemTable = "/etc/mime.types";
constexpr std::size_t kMaxExtensionLength = 10;

// What the crawl must know even where the system has no table.
constexpr std::string_view kBuiltIn = R"(application/pdf pdf
application/zip zip
application/gzip gz tgz
application/x-gzip gz tgz
application/x-tar tar
application/x-7z-compressed 7z
application/vnd.rar rar
application/x-rar-compressed rar
application/x-bzip2 bz2
application/x-xz xz
application/x-iso9660-image iso
application/x-msdownload exe dll
application/x-msdos-program exe com bat
application/vnd.microsoft.portable-executable exe
application/msword doc dot
application/vnd.openxmlformats-officedocument.wordprocessingml.document docx
application/vnd.ms-excel xls xlt
application/vnd.openxmlformats-officedocument.spreadsheetml.sheet xlsx
application/vnd.ms-powerpoint ppt pps
application/vnd.openxmlformats-officedocument.presentationml.presentation pptx
application/vnd.debian.binary-package deb
application/x-rpm rpm
application/x-bittorrent torrent
application/epub+zip epub
audio/mpeg mp3 mpga mp2
audio/ogg ogg oga
audio/flac flac
audio/x-wav wav
video/mp4 mp4 m4v
video/mpeg mpeg mpg mpe
video/quicktime qt mov
video/x-msvideo avi
video/webm webm
video/x-matroska mkv
audio/x-mpegurl m3u
image/jpeg jpg jpeg jpe
image/png png
image/gif gif
image/webp webp
image/svg+xml svg svgz
image/tiff tiff tif
text/plain txt text asc
text/csv csv
)";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

bool IsAlnum(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

} // namespace

CMediaTypes::CMediaTypes(std::string_view mimeTypesText)
{
    for (std::string_view text : {kBuiltIn, mimeTypesText})
    {
        while (!text.empty())
        {
            const std::size_t end = text.find('\n');
            AddLine(text.substr(0, end));
            text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        }
    }
}

const CMediaTypes& CMediaTypes::System()
{
    static const CMediaTypes table = []
    {
        std::ifstream file(kSystemTable);
        std::ostringstream text;
        text << file.rdbuf();
        return CMediaTypes(text.str());
    }();
    return table;
}

void CMediaTypes::AddLine(std::string_view line)
{
    std::vector<std::string> words;
    while (!line.empty() && line.front() != '#')
    {
        const std::size_t start = line.find_first_not_of(" \t\r");
        if (start == std::string_view::npos)
            break;
        line.remove_prefix(start);
        const std::size_t end = std::min(line.find_first_of(" \t\r"), line.size());
        std::string word(line.substr(0, end));
        std::transform(word.begin(), word.end(), word.begin(), AsciiLower);
        words.push_back(std::move(word));
        line.remove_prefix(end);
    }
    if (words.size() < 2 || words[0].find('/') == std::string::npos)
        return;
    std::vector<std::string>& known = m_extensions[words[0]];
    for (std::size_t i = 1; i < words.size(); ++i)
    {
        if (std::find(known.begin(), known.end(), words[i]) == known.end())
            known.push_back(std::move(words[i]));
    }
}

std::span<const std::string> CMediaTypes::ExtensionsOf(std::string_view bareType) const
{
    const auto found = m_extensions.find(std::string(bareType));
    if (found == m_extensions.end())
        return {};
    return found->second;
}

std::string BareMediaType(std::string_view contentType)
{
    contentType = contentType.substr(0, contentType.find(';'));
    std::string bare;
    for (const char c : contentType)
    {
        if (!IsBlank(c))
            bare += AsciiLower(c);
    }
    return bare;
}

bool IsPageMediaType(std::string_view bareType)
{
    return bareType == "text/html" || bareType == "application/xhtml+xml";
}

bool IsGenericMediaType(std::string_view bareType)
{
    return bareType.empty() || bareType == "application/octet-stream" ||
           bareType == "binary/octet-stream";
}

std::string_view NameExtension(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    const std::string_view extension = name.substr(dot + 1);
    if (extension.empty() || extension.size() > kMaxExtensionLength ||
        !std::all_of(extension.begin(), extension.end(), IsAlnum))
        return {};
    return extension;
}
