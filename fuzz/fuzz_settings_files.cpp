// Feeds arbitrary bytes to the readers of the options file, the mode files and the history
// lists. Each reader must refuse damaged input without harm, and whatever it accepts must
// read back identically once written.
#include "platform/Archive.h"
#include "platform/FileError.h"
#include "settings/ModeData.h"
#include "settings/Options.h"
#include "settings/TSList.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

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
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    FuzzOptions(bytes);
    FuzzMode(bytes);
    FuzzList(bytes);
    return 0;
}
