#include "platform/AtomicFile.h"
#include "platform/FileError.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

TEST(AtomicFileTest, ReplacesWholeFilesAndLeavesNothingBehind)
{
    CTempDir dir;
    const std::string path = dir.File("real.dat");
    WriteFileAtomically(path, std::string("first\0bytes", 11));
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(path, dir.File("link.dat"));
    WriteFileAtomically(dir.File("link.dat"), "2nd"); // through the link, onto its target

    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(path, bytes));
    EXPECT_EQ(bytes, "2nd");
    EXPECT_TRUE(fs::is_symlink(dir.File("link.dat")));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);
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
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);

    std::string bytes = "untouched";
    EXPECT_FALSE(ReadWholeFile(dir.File("nothing"), bytes));
    EXPECT_FALSE(ReadWholeFile(dir.File("taken"), bytes));
    EXPECT_EQ(bytes, "untouched");
}

TEST(AtomicFileTest, SameBytesAreNotWrittenAgain)
{
    CTempDir dir;
    const std::string path = dir.File("same.dat");
    WriteFileAtomically(path, "settings");
    struct stat before{};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    WriteFileAtomically(path, "settings");
    struct stat same{};
    ASSERT_EQ(::stat(path.c_str(), &same), 0);
    EXPECT_EQ(same.st_ino, before.st_ino); // not replaced by a renamed new file
    WriteFileAtomically(path, "changed");
    struct stat changed{};
    ASSERT_EQ(::stat(path.c_str(), &changed), 0);
    EXPECT_NE(changed.st_ino, before.st_ino);
}
