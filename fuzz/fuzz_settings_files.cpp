// Feeds arbitrary bytes to the readers of the options file, the mode files, the history
// lists and the entry histories. Each reader must refuse damaged input without harm, and whatever
// it accepts must read back identically once written.
#include "platform/Archive.h"
#include "platform/FileError.h"
#include "settings/HistoryFile.h"
#include "settings/ModeData.h"
#include "settings/Options.h"
#include "settings/TSList.h"
#include "url/UrlPassword.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace
{
void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void FuzzOptions(std::string_view bytes)
{
    COptions options("/fuzz");
    if (!options.LoadFromBytes(bytes))
    {
        Check(options.SaveToBytes() == COptions("/fuzz").SaveToBytes());
        return;
    }
    const std::string written = options.SaveToBytes();
    COptions again("/fuzz");
    Check(again.LoadFromBytes(written));
    Check(again.SaveToBytes() == written);
}

void FuzzMode(std::string_view bytes)
{
    CModeData mode;
    try
    {
        CArchiveReader archive(bytes);
        mode.Read(archive);
    }
    catch (const CFileError&)
    {
        return;
    }
    const std::string written = mode.SaveToBytes();
    CModeData again;
    CArchiveReader archive(written);
    again.Read(archive);
    Check(again.SaveToBytes() == written);
}

void FuzzList(std::string_view bytes)
{
    CTSList list;
    if (!list.LoadFromBytes(bytes))
    {
        Check(list.GetCount() == 0);
        return;
    }
    const std::string written = list.SaveToBytes();
    CTSList again;
    Check(again.LoadFromBytes(written));
    Check(again.GetCount() == list.GetCount());
}

// A file written from what a read took reads back as those entries without their passwords, the
// edit text's repeats left out.
void FuzzEntryHistory(std::string_view bytes)
{
    const CHistoryRead read = ParseHistory(bytes, "fuzz", 64);
    if (read.entries.empty())
        return;
    const std::vector<std::string> list(read.entries.begin() + 1, read.entries.end());
    const CHistoryRead again = ParseHistory(BuildHistoryBytes(read.entries[0], list), "fuzz", 64);
    Check(again.error.empty());
    const std::string edit = UrlWithoutPassword(read.entries[0]);
    std::vector<std::string> expected{edit};
    for (const std::string& entry : list)
        if (UrlWithoutPassword(entry) != edit)
            expected.push_back(UrlWithoutPassword(entry));
    Check(again.entries == expected);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    FuzzOptions(bytes);
    FuzzMode(bytes);
    FuzzList(bytes);
    FuzzEntryHistory(bytes);
    return 0;
}
