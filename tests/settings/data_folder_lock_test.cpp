// One run per data folder, held by real second processes.
#include "settings/DataFolderLock.h"
#include "support/TempDir.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

// A second process that takes the folder's lock and holds it until it is killed; its pipe says
// whether it got it.
pid_t HoldInChild(const std::string& folder, bool& took)
{
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0)
    {
        CDataFolderLock lock;
        const char answer = lock.Take(folder) ? 'y' : 'n';
        (void)!::write(ready[1], &answer, 1);
        ::pause();
        ::_exit(0);
    }
    char answer = 'n';
    (void)!::read(ready[0], &answer, 1);
    ::close(ready[0]);
    ::close(ready[1]);
    took = answer == 'y';
    return child;
}

} // namespace

TEST(DataFolderLockTest, ASecondProcessIsRefusedUntilTheFirstEndsEvenByACrash)
{
    CTempDir dir;
    const std::string folder = dir.Path().string();
    bool took = false;
    const pid_t holder = HoldInChild(folder, took);
    ASSERT_TRUE(took);

    CDataFolderLock second;
    EXPECT_FALSE(second.Take(folder));
    EXPECT_EQ(second.Problem(), "Another Harvestor is using " + folder);

    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_TRUE(second.Take(folder)) << second.Problem();
    // And while this process holds it, another process is refused.
    const pid_t third = HoldInChild(folder, took);
    EXPECT_FALSE(took);
    ::kill(third, SIGKILL);
    ::waitpid(third, nullptr, 0);
}

TEST(DataFolderLockTest, ALockThatCannotBeMadeSaysWhy)
{
    CTempDir dir;
    std::filesystem::create_directory(dir.File(kDataFolderLockName));
    CDataFolderLock lock;
    EXPECT_FALSE(lock.Take(dir.Path().string()));
    EXPECT_EQ(lock.Problem(), "Harvestor cannot lock " + dir.Path().string() + ": Is a directory");
    EXPECT_FALSE(lock.Take(dir.File("missing")));
    EXPECT_NE(lock.Problem().find("No such file or directory"), std::string::npos);
}
