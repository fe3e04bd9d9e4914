// A file system that refuses some names (vfat, exFAT and SMB answer EINVAL for '?', ':' and the
// like): the download is placed under the safe characters of its URL instead. The refusal is
// played by this test binary's own renameat2 and link, which stand in for the C library's while
// g_refused is set.
#include "download/LocalName.h"
#include "net/TransferFixture.h"
#include "support/FileBytes.h"
#include "url/SavedName.h"
#include "url/Url.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <stdio.h>
#include <unistd.h>

namespace
{
std::atomic<const char*> g_refused{nullptr};

bool Refused(const char* path)
{
    const char* characters = g_refused.load();
    const char* name = std::strrchr(path, '/');
    return characters != nullptr && std::strpbrk(name == nullptr ? path : name, characters);
}
} // namespace

extern "C" int renameat2(int fromDir, const char* from, int toDir, const char* to,
                         unsigned int flags)
{
    if (Refused(to))
    {
        errno = EINVAL;
        return -1;
    }
    using Real = int (*)(int, const char*, int, const char*, unsigned int);
    static const auto real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "renameat2"));
    return real(fromDir, from, toDir, to, flags);
}

extern "C" int link(const char* from, const char* to)
{
    if (Refused(to))
    {
        errno = EINVAL;
        return -1;
    }
    using Real = int (*)(const char*, const char*);
    static const auto real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "link"));
    return real(from, to);
}

class RefusedNamesTest : public CTransferTest
{
protected:
    ~RefusedNamesTest() override { g_refused = nullptr; }
};

TEST_F(RefusedNamesTest, ARefusedNameFallsBackToTheSafeCharactersOfTheUrl)
{
    const std::filesystem::path dir = m_dir.Path() / "dl";
    std::filesystem::create_directory(dir);
    m_options.m_downloadDir = dir.string() + "/";
    const CUrl record("http://h/get/what%3F%20now.zip");
    const CSaveName name = SaveNameOf(record, "");
    ASSERT_EQ(name.base + "." + name.extension, "what? now.zip");
    const struct
    {
        std::int32_t policy;
        const char* existing; // a file already under the safe name, or nullptr
        const char* expected; // the name taken, or nullptr when the old file is kept
    } cases[] = {
        {kDuplicateRename, nullptr, "20now.zip"},
        {kDuplicateRename, "20now.zip", "20now0001.zip"},
        {kDuplicateSkip, "20now.zip", nullptr},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.policy);
        std::filesystem::remove_all(dir);
        std::filesystem::create_directory(dir);
        if (c.existing != nullptr)
            WriteFileBytes((dir / c.existing).string(), "old");
        const std::string part = (dir / "part").string();
        WriteFileBytes(part, "new bytes");
        m_options.m_duplicateAction = c.policy;
        g_refused = "?:";
        // As the name was chosen before the download: free, but refused by the file system.
        std::string path = (dir / "what? now.zip").string();
        const int placed = PlaceLocalFile(record, m_options, name, part, path);
        g_refused = nullptr;
        if (c.expected == nullptr)
        {
            EXPECT_EQ(placed, kKeptOldFile);
            continue;
        }
        ASSERT_EQ(placed, 0) << std::strerror(placed);
        EXPECT_EQ(path, (dir / c.expected).string());
        EXPECT_EQ(ReadFileBytes(path), "new bytes");
        EXPECT_FALSE(std::filesystem::exists(part));
    }
}
