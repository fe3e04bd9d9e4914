#include "settings/FileExport.h"

#include "url/Url.h"

#include <cstdio>

namespace
{

constexpr const char* kLineEnd = "\n";

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
    AppendLine(out, "<!DOCTYPE html>");
    AppendLine(out, "<html lang=\"en\">");
    AppendLine(out, "<head>");
    AppendLine(out, "<meta charset=\"utf-8\">");
    AppendLine(out, "<title>Harvestor File Export</title>");
    AppendLine(out, "</head>");
    AppendLine(out, "<body>");
    AppendLine(out, "<h1>Harvestor File Export</h1>");
    AppendLine(out, "<p><a href=\"" + EscapeHtml(makerUrl) + "\">" +
                        EscapeHtml(WithoutScheme(makerUrl)) + "</a></p>");
    AppendLine(out, "<p>");
    for (const std::string& url : urls)
    {
        const std::string escaped = EscapeHtml(url);
        // Only what the program itself would fetch becomes a link: a "javascript:" value from
        // a page must not turn into something the user can click.
        if (HasTransferScheme(url))
            AppendLine(out, "<a href=\"" + escaped + "\">" + escaped + "</a><br>");
        else
            AppendLine(out, escaped + "<br>");
    }
    AppendLine(out, "</p>");
    AppendLine(out, "</body>");
    AppendLine(out, "</html>");
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
