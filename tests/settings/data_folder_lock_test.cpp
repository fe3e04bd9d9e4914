// One run per data folder, held by a real second process.
#include "settings/DataFolderLock.h"
#include "support/TempDir.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

TEST(DataFolderLockTest, ASecondProcessIsRefusedUntilTheFirstEndsEvenByACrash)
{
    CTempDir dir;
    const std::string folder = dir.Path().string();
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0)
    {
        CDataFolderLock lock;
        const char answer = lock.Take(folder) ? 'y' : 'n';
        (void)!::write(ready[1], &answer, 1);
        ::pause();
        ::_exit(0);
    }
    char answer = 'n';
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    ASSERT_EQ(answer, 'y');

    CDataFolderLock second;
    EXPECT_FALSE(second.Take(folder));
    EXPECT_EQ(second.Problem(), "Another Harvestor is using " + folder);
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_TRUE(second.Take(folder)) << second.Problem();
    ::close(ready[0]);
    ::close(ready[1]);
}
