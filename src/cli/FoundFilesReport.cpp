#include "cli/FoundFilesReport.h"

#include "session/Engine.h"
#include "settings/LogFile.h"

void WriteFoundFiles(std::FILE* out, const std::vector<std::string>& urls, const CEngine& engine,
                     bool tsv)
{
    if (tsv)
        std::fputs("url\tsize\tfound_on\n", out);
    for (const std::string& url : urls)
    {
        if (!tsv)
        {
            std::fprintf(out, "%s\n", MaskForOutput(url).c_str());
            continue;
        }
        const CListedFile file = engine.ListedFile(url);
        const std::string size = file.size ? std::to_string(*file.size) : std::string();
        std::fprintf(out, "%s\t%s\t%s\n", TsvField(MaskForOutput(url)).c_str(), size.c_str(),
                     TsvField(MaskForOutput(file.foundOn)).c_str());
    }
    std::fflush(out);
}

std::string TsvField(const std::string& text)
{
    std::string field;
    field.reserve(text.size());
    for (const char c : text)
    {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f)
        {
            static constexpr char kHex[] = "0123456789ABCDEF";
            field += '%';
            field += kHex[byte >> 4];
            field += kHex[byte & 0xF];
        }
        else
            field += c;
    }
    return field;
}
