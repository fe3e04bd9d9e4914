#include "settings/UserSettingsFile.h"

#include "platform/AtomicFile.h"
#include "platform/FileError.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace
{

// Qt keeps keys of its "General" section under this header, apart from the keys of no section.
constexpr std::string_view kGeneralHeader = "[%General]";
constexpr std::string_view kWorkDirKey = "workdir=";

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// "\x" and the byte in lower-case hex without leading zeros, as Qt writes it.
std::string HexEscape(unsigned char byte)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%x", byte);
    return hex;
}

} // namespace

std::string UserSettingsPath()
{
    std::string folder;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/')
        folder = config;
    else if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/')
        folder = std::string(home) + "/.config";
    else
        return {};
    return folder + "/Quillfen/Harvestor.conf";
}

std::string IniValue(std::string_view text)
{
    std::string out = !text.empty() && text.front() == '@' ? "@" : "";
    bool needsQuotes = false;
    bool escapeNextIfHex = false;
    for (const char c : text)
    {
        const auto byte = static_cast<unsigned char>(c);
        if (c == ';' || c == ',' || c == '=')
            needsQuotes = true;
        // After a \x or \0 escape a hex digit would read as part of it.
        if (escapeNextIfHex && IsHexDigit(c))
        {
            out += HexEscape(byte);
            continue;
        }
        escapeNextIfHex = false;
        switch (c)
        {
        case '\0':
            out += "\\0";
            escapeNextIfHex = true;
            break;
        case '\a':
            out += "\\a";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\v':
            out += "\\v";
            break;
        case '"':
        case '\\':
            out += '\\';
            out += c;
            break;
        default:
            if (byte <= 0x1F)
            {
                out += HexEscape(byte);
                escapeNextIfHex = true;
            }
            else
            {
                // UTF-8 and the rest of ASCII go as they are.
                out += c;
            }
        }
    }
    if (needsQuotes || (!out.empty() && (out.front() == ' ' || out.back() == ' ')))
        out = '"' + out + '"';
    return out;
}

void RecordWorkDirectory(const std::string& path, const std::string& workDir)
{
    if (path.empty())
        return;
    std::string text;
    std::error_code error;
    if (std::filesystem::exists(path, error) && !ReadWholeFile(path, text))
        return;

    std::vector<std::string> lines = SplitLines(text);
    const std::string entry = std::string(kWorkDirKey) + IniValue(workDir);
    const auto write = [&]
    {
        std::string out;
        for (const std::string& line : lines)
            out += line + '\n';
        try
        {
            std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
            WriteFileAtomically(path, out);
        }
        catch (const CFileError&)
        {
            // As with the window's settings, a file that cannot be written does not fail the run.
        }
    };

    bool inGeneral = false;
    std::size_t header = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i)
    {
        const std::string& line = lines[i];
        if (!line.empty() && line.front() == '[')
        {
            inGeneral = line == kGeneralHeader;
            if (inGeneral && header == lines.size())
                header = i;
        }
        else if (inGeneral && line.starts_with(kWorkDirKey))
        {
            const std::string_view value = std::string_view(line).substr(kWorkDirKey.size());
            // Recorded before: the value is never replaced.
            if (!value.empty() && value != "\"\"")
                return;
            lines[i] = entry;
            write();
            return;
        }
    }
    if (header < lines.size())
    {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(header) + 1, entry);
    }
    else
    {
        if (!lines.empty() && !lines.back().empty())
            lines.emplace_back();
        lines.emplace_back(kGeneralHeader);
        lines.push_back(entry);
    }
    write();
}
