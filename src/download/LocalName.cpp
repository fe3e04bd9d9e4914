#include "download/LocalName.h"

#include "net/MediaTypes.h"
#include "net/UrlTransfers.h"
#include "platform/AtomicFile.h"
#include "platform/EventPoster.h"
#include "settings/Options.h"
#include "url/SavedName.h"
#include "url/Url.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <sys/stat.h>

namespace
{

constexpr const char* kProductName = "Harvestor";
constexpr const char* kUnknownBase = "unknown";
// Room for the widest counter ("%04d" of a 32-bit count) inside kMaxFileNameBytes.
constexpr std::size_t kCounterRoom = 10;

bool IsNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '-';
}

// The extension never holds a separator after parsing; control bytes and NUL would still make
// a name that the user cannot type, or cut it short.
std::string SafeExtension(std::string_view extension)
{
    std::string safe(extension);
    for (char& c : safe)
    {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '/' || c == '\\')
            c = '_';
    }
    return safe;
}

// A dangling link counts as present: writing through it could land anywhere.
bool Exists(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

bool SizeOf(const std::string& path, std::uint64_t& size)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return false;
    size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

// One level only. Another worker may create it between the test and mkdir; that is success.
bool EnsureDirectory(const std::string& directory)
{
    struct stat info;
    if (::stat(directory.c_str(), &info) == 0)
        return true;
    return ::mkdir(directory.c_str(), 0777) == 0 || errno == EEXIST;
}

// The name with a counter from 1 on; the base gives way so that the whole stays within
// kMaxFileNameBytes.
std::string Candidate(const std::string& directory, const CSaveName& name, int counter)
{
    char digits[16] = "";
    if (counter != 0)
        std::snprintf(digits, sizeof digits, "%04d", counter);
    const std::string_view counterText(digits);
    std::string base = name.base;
    CutOnCharacter(base, kMaxFileNameBytes - 1 - name.extension.size() - counterText.size());
    if (counter == 0)
        return directory + base + "." + name.extension;
    if (!name.extension.empty())
        return directory + base + std::string(counterText) + "." + name.extension;
    return directory + base + "." + std::string(counterText);
}

bool IsOnlyDots(std::string_view name)
{
    return name.find_first_not_of('.') == std::string_view::npos;
}

} // namespace

std::string LocalBaseName(const CUrl& record)
{
    std::string_view source = record.FileTitle();
    if (source.empty())
        source = record.Object().size() > 1 ? record.Object() : std::string_view(record.m_url);
    std::size_t start = source.size();
    while (start > 0 && IsNameChar(source[start - 1]))
        --start;
    std::string base(source.substr(start));
    // Dots alone name nothing, and "." with an empty extension would name the parent folder.
    if (base.find_first_not_of('.') == std::string::npos)
        return kUnknownBase;
    const std::size_t limit =
        kMaxFileNameBytes - kCounterRoom - 1 - SafeExtension(record.Extension()).size();
    if (base.size() > limit)
        base.erase(0, base.size() - limit);
    return base;
}

CSaveName SaveNameOf(const CUrl& record, std::string_view dispositionName)
{
    const std::string given =
        dispositionName.empty() ? UrlFileName(record.m_url) : std::string(dispositionName);
    // Dots alone name nothing, and "." with an empty extension would name the parent folder.
    if (IsOnlyDots(given))
        return CSaveName{kUnknownBase, {}};
    const std::string name = SafeFileName(given);
    CSaveName saved;
    saved.extension = NameExtension(name);
    saved.base = name.substr(0, saved.extension.empty() ? name.size()
                                                        : name.size() - saved.extension.size() - 1);
    // A name that ends in dots gets one dot before its counter, not several.
    while (saved.extension.empty() && saved.base.size() > 1 && saved.base.back() == '.')
        saved.base.pop_back();
    CutOnCharacter(saved.base, kMaxFileNameBytes - 1 - saved.extension.size());
    return saved;
}

CSaveName SafeCharacterName(const CUrl& record)
{
    return CSaveName{LocalBaseName(record), SafeExtension(record.Extension())};
}

bool PrepareDownloadDirectory(const COptions& options, const CTransferContext& context)
{
    if (EnsureDirectory(DownloadDirectoryPrefix(options.m_downloadDir)))
        return true;
    context.events.Post(
        CShowMessageEvent{EMessageKind::Error, kProductName,
                          "Failed to create " + options.m_downloadDir + " directory"});
    return false;
}

std::string DownloadDirectoryPrefix(const std::string& downloadDir)
{
    if (downloadDir.empty() || downloadDir.back() == '/')
        return downloadDir;
    return downloadDir + "/";
}

bool MakeLocalName(CUrl& record, const COptions& options, const CTransferContext& context,
                   std::string& path, const CSaveName* name)
{
    const std::string directory = DownloadDirectoryPrefix(options.m_downloadDir);
    const CSaveName urlName = name == nullptr ? SaveNameOf(record) : CSaveName{};
    const CSaveName& saveName = name == nullptr ? urlName : *name;
    std::string candidate = Candidate(directory, saveName, 0);

    // Every policy needs the directory: the download is written there before it is named.
    if (!PrepareDownloadDirectory(options, context))
        return false;
    // Overwriting needs no test: the old file goes only when the new one is complete.
    if (options.m_duplicateAction == kDuplicateOverwrite)
    {
        path = std::move(candidate);
        return true;
    }
    if (options.m_duplicateAction == kDuplicateSkip && Exists(candidate))
        return false;

    // Rename, or skip when an existing variant has the same size; every variant is compared.
    for (int counter = 1; Exists(candidate); ++counter)
    {
        if (options.m_duplicateAction == kDuplicateSkipSameSize)
        {
            const std::uint64_t size = DetermineSize(record, context, &context.cancelDownload);
            std::uint64_t existing = 0;
            if (size != 0 && SizeOf(candidate, existing) && existing == size)
                return false;
        }
        if (counter == INT_MAX)
            return false;
        candidate = Candidate(directory, saveName, counter);
    }
    path = std::move(candidate);
    return true;
}

namespace
{

int PlaceAs(const COptions& options, const CSaveName& name, const std::string& partPath,
            std::string& path)
{
    // rename replaces the entry itself: a symbolic link there is replaced, never followed.
    if (options.m_duplicateAction == kDuplicateOverwrite)
        return ::rename(partPath.c_str(), path.c_str()) == 0 ? 0 : errno;
    const int moved = MoveWithoutReplacing(partPath, path);
    if (moved != EEXIST)
        return moved;
    if (options.m_duplicateAction == kDuplicateSkip)
        return kKeptOldFile;

    // Another download took the name meanwhile: choose again as MakeLocalName does, comparing
    // the sizes with the file that arrived.
    std::uint64_t size = 0;
    SizeOf(partPath, size);
    const std::string directory = DownloadDirectoryPrefix(options.m_downloadDir);
    for (int counter = 0; counter < INT_MAX; ++counter)
    {
        const std::string candidate = Candidate(directory, name, counter);
        std::uint64_t existing = 0;
        if (options.m_duplicateAction == kDuplicateSkipSameSize && size != 0 &&
            SizeOf(candidate, existing) && existing == size)
            return kKeptOldFile;
        const int error = MoveWithoutReplacing(partPath, candidate);
        if (error == 0)
            path = candidate;
        if (error != EEXIST)
            return error;
    }
    return kKeptOldFile;
}

} // namespace

int PlaceLocalFile(const CUrl& record, const COptions& options, const CSaveName& name,
                   const std::string& partPath, std::string& path)
{
    const int placed = PlaceAs(options, name, partPath, path);
    if (placed != EINVAL && placed != EILSEQ)
        return placed;
    const CSaveName safe = SafeCharacterName(record);
    path = Candidate(DownloadDirectoryPrefix(options.m_downloadDir), safe, 0);
    return PlaceAs(options, safe, partPath, path);
}
