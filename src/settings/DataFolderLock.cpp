#include "settings/DataFolderLock.h"

#include "settings/DataPaths.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

CDataFolderLock::~CDataFolderLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool CDataFolderLock::Take(const std::string& folder)
{
    const std::string path = JoinDataPath(folder, kDataFolderLockName);
    // No O_TRUNC and no content: the lock is the file's flock, not what it holds.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
    {
        m_problem = "Harvestor cannot lock " + folder + ": " + std::strerror(errno);
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
    {
        const int error = errno;
        ::close(fd);
        m_problem = error == EWOULDBLOCK
                        ? "Another Harvestor is using " + folder
                        : "Harvestor cannot lock " + folder + ": " + std::strerror(error);
        return false;
    }
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
    m_problem.clear();
    return true;
}
