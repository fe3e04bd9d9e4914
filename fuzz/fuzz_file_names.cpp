// Reads a Content-Disposition value and a URL's name from the input and makes file names of
// them; no name may leave its folder, hide itself or hold a byte a file name cannot.
#include "net/ContentDisposition.h"
#include "url/SavedName.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace
{

void CheckName(std::string name)
{
    name = SafeFileName(name);
    CutOnCharacter(name, 255);
    if (name.size() > 255 || (!name.empty() && (name.front() == '.' || name.front() == '-')))
        std::abort();
    for (const char c : name)
    {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || byte < 0x20 || byte == 0x7F)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    CheckName(DispositionFileName(input));
    CheckName(UrlFileName(input));
    return 0;
}
