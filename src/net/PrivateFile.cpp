#include "net/PrivateFile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// What umask() would say, read without changing it: umask() sets the mask for every thread
// at once, and other threads create files meanwhile.
mode_t CurrentUmask()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8) & 0777);
    return 022;
}

} // namespace

int CreatePrivateFile(const std::string& path, int flags)
{
    return ::open(path.c_str(), flags | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

bool IsOwnPrivateFile(int fd)
{
    struct stat status = {};
    return ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::geteuid() &&
           (status.st_mode & (S_IWGRP | S_IWOTH)) == 0 && status.st_nlink == 1;
}

int GiveUsualMode(int fd)
{
    // The umask of a run does not change.
    static const mode_t runUmask = CurrentUmask();
    return ::fchmod(fd, 0666 & ~runUmask) == 0 ? 0 : errno;
}
