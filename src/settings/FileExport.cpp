#include "settings/FileExport.h"

#include "url/Url.h"

#include <cstdio>

namespace
{

constexpr const char* kLineEnd = "\r\n";

void AppendLine(std::string& out, std::string_view line)
{
    out += line;
    out += kLineEnd;
}

// The address without its scheme, for the link's text.
std::string_view WithoutScheme(std::string_view url)
{
    const std::size_t scheme = url.find("://");
    return scheme == std::string_view::npos ? url : url.substr(scheme + 3);
}

} // namespace

std::string EscapeHtml(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text)
    {
        switch (c)
        {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string BuildTextExport(const std::vector<std::string>& urls)
{
    std::string out;
    for (const std::string& url : urls)
        AppendLine(out, url);
    return out;
}

std::string BuildHtmlExport(const std::vector<std::string>& urls, const std::string& makerUrl)
{
    std::string out;
    AppendLine(out, "<HTML>");
    AppendLine(out,
               "<BODY BGCOLOR=\"#ffffff\" TEXT=\"#000000\" LINK=\"#0000ff\" VLINK=\"#800040\">");
    AppendLine(out, "<P ALIGN=CENTER>");
    AppendLine(out, "<BIG><BIG>");
    AppendLine(out, "Harvestor File Export<BR>");
    AppendLine(out, "</BIG></BIG>");
    AppendLine(out, "<A HREF=\"" + EscapeHtml(makerUrl) + "\">" +
                        EscapeHtml(WithoutScheme(makerUrl)) + "</A><BR>");
    AppendLine(out, "<P ALIGN=LEFT>");
    for (const std::string& url : urls)
    {
        const std::string escaped = EscapeHtml(url);
        // Only what the program itself would fetch becomes a link: a "javascript:" value from
        // a page must not turn into something the user can click.
        if (HasTransferScheme(url))
            AppendLine(out, "<A HREF=\"" + escaped + "\">" + escaped + "</A><BR>");
        else
            AppendLine(out, escaped + "<BR>");
    }
    // The NOBR element closed here is never opened; browsers ignore the stray tag.
    AppendLine(out, "</NOBR></BODY>");
    AppendLine(out, "</HTML>");
    return out;
}

bool WriteExportFile(const std::string& path, const std::string& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    // A full disk may show only when the buffer goes out.
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}
