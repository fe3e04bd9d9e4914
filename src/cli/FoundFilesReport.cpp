#include "cli/FoundFilesReport.h"

#include "core/UrlStore.h"
#include "settings/LogFile.h"
#include "url/Url.h"

void WriteFoundFiles(std::FILE* out, const std::vector<std::string>& urls, CUrlStore& store,
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
        std::string size;
        std::string foundOn;
        if (const CUrl* record = store.Find(url))
        {
            if (record->m_sizeState.load() == kSizeKnown)
                size = std::to_string(record->m_size.load());
            foundOn = record->Referer();
        }
        std::fprintf(out, "%s\t%s\t%s\n", TsvField(MaskForOutput(url)).c_str(), size.c_str(),
                     TsvField(MaskForOutput(foundOn)).c_str());
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
