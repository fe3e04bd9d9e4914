#pragma once

#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Which file extensions a media type names ("application/pdf" -> "pdf"), so that an answer's
// Content-Type can be held against the File Types list. Read from the system's table
// (/etc/mime.types) on top of a built-in one for the common types, so a system without the table
// still knows them. Immutable once made: any thread may read it.
class CMediaTypes
{
public:
    // The built-in types only, then the lines of a mime.types text ("type ext ext ...").
    explicit CMediaTypes(std::string_view mimeTypesText = {});
    // The built-in types and /etc/mime.types, read once for the process.
    static const CMediaTypes& System();

    // The extensions of a bare type, in lower case; empty when the type is unknown.
    std::span<const std::string> ExtensionsOf(std::string_view bareType) const;

private:
    void AddLine(std::string_view line);

    std::unordered_map<std::string, std::vector<std::string>> m_extensions;
};

// The media type of a Content-Type value in lower case, its parameters and blanks dropped:
// "Application/PDF; name=x" -> "application/pdf".
std::string BareMediaType(std::string_view contentType);
// A page: HTML or XHTML.
bool IsPageMediaType(std::string_view bareType);
// A type that says nothing of the content: none, or a stream of bytes.
bool IsGenericMediaType(std::string_view bareType);

// The extension of a file name: the 1 to 10 letters or digits after its last dot; empty when it
// has none.
std::string_view NameExtension(std::string_view name);
