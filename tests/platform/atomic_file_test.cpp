#include "platform/AtomicFile.h"
#include "platform/FileError.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace
{
std::size_t CountEntries(const fs::path& directory)
{
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(directory), fs::directory_iterator()));
}
} // namespace

TEST(AtomicFileTest, WritesAndReplacesWholeFiles)
{
    CTempDir dir;
    const std::string path = dir.File("options.dat");
    WriteFileAtomically(path, std::string("first\0bytes", 11));
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(path, bytes));
    EXPECT_EQ(bytes, std::string("first\0bytes", 11));

    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    WriteFileAtomically(path, "2nd");
    EXPECT_EQ(ReadFileBytes(path), "2nd");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(CountEntries(dir.Path()), 1u) << "a temporary file was left behind";

    WriteFileAtomically(path, "");
    ASSERT_TRUE(ReadWholeFile(path, bytes));
    EXPECT_EQ(bytes, "");
}

TEST(AtomicFileTest, FollowsSymbolicLinks)
{
    CTempDir dir;
    WriteFileBytes(dir.File("real.dat"), "old");
    fs::create_symlink(dir.File("real.dat"), dir.File("link.dat"));
    WriteFileAtomically(dir.File("link.dat"), "new");
    EXPECT_TRUE(fs::is_symlink(dir.File("link.dat")));
    EXPECT_EQ(ReadFileBytes(dir.File("real.dat")), "new");
}

TEST(AtomicFileTest, FailuresRaiseAndLeaveTheOldFile)
{
    CTempDir dir;
    try
    {
        WriteFileAtomically(dir.File("missing/options.dat"), "x");
        ADD_FAILURE() << "no error";
    }
    catch (const CFileError& error)
    {
        EXPECT_EQ(error.GetCause(), CFileError::Cause::kWriteFailed);
        EXPECT_EQ(error.GetPath(), dir.File("missing/options.dat"));
    }

    fs::create_directory(dir.File("taken"));
    WriteFileBytes(dir.File("taken/inside"), "keep");
    EXPECT_THROW(WriteFileAtomically(dir.File("taken"), "x"), CFileError);
    EXPECT_EQ(ReadFileBytes(dir.File("taken/inside")), "keep");
    EXPECT_EQ(CountEntries(dir.Path()), 1u);

    std::string bytes = "untouched";
    EXPECT_FALSE(ReadWholeFile(dir.File("nothing"), bytes));
    EXPECT_FALSE(ReadWholeFile(dir.File("taken"), bytes));
    EXPECT_EQ(bytes, "untouched");
}
