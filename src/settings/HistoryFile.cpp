#include "settings/HistoryFile.h"

#include "platform/Archive.h"
#include "platform/FileError.h"
#include "url/UrlPassword.h"

#include <algorithm>

CHistoryRead ParseHistory(std::string_view bytes, const std::string& path, std::size_t depth)
{
    CHistoryRead result;
    CArchiveReader archive(bytes, path);
    try
    {
        const std::uint32_t count = archive.ReadU32();
        const std::size_t wanted = std::min<std::size_t>(count, depth);
        for (std::size_t i = 0; i < wanted; ++i)
            result.entries.push_back(archive.ReadString());
    }
    catch (const CFileError& error)
    {
        result.error = error.what();
    }
    return result;
}

std::string BuildHistoryBytes(const std::string& typedText,
                              const std::vector<std::string>& typedList)
{
    // An address typed with a password keeps only its user name on disk.
    const std::string editText = UrlWithoutPassword(typedText);
    std::vector<std::string> list;
    list.reserve(typedList.size());
    for (const std::string& entry : typedList)
        list.push_back(UrlWithoutPassword(entry));
    const auto others = std::count_if(list.begin(), list.end(),
                                      [&](const std::string& entry) { return entry != editText; });
    CArchiveWriter archive;
    archive.WriteU32(static_cast<std::uint32_t>(1 + others));
    archive.WriteString(editText);
    for (const std::string& entry : list)
        if (entry != editText)
            archive.WriteString(entry);
    return archive.Bytes();
}
