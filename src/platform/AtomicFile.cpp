#include "platform/AtomicFile.h"

#include "platform/FileError.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// Closes a descriptor on every path out.
class CFd
{
public:
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;

    int Get() const { return m_fd; }
    int Release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

std::string ErrorText(int error)
{
    return std::strerror(error);
}

[[noreturn]] void FailWrite(const std::string& path, int error)
{
    throw CFileError(CFileError::Cause::kWriteFailed, path, ErrorText(error));
}


// The file that a rename must replace: the target of a symbolic link, else path itself.
std::string ResolveTarget(const std::string& path)
{
    struct stat info
    {
    };
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                         &std::free);
    return resolved ? std::string(resolved.get()) : path;
}

std::string DirectoryOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void SyncDirectory(const std::string& directory)
{
    CFd fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() >= 0)
        ::fsync(fd.Get()); // best effort: the rename itself already happened
}
} // namespace

int WriteAllBytes(int fd, std::string_view bytes)
{
    while (!bytes.empty())
    {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0)
        {
            if (errno == EINTR)
                continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

bool ReadWholeFile(const std::string& path, std::string& bytes)
{
    CFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0)
        return false;
    struct stat info
    {
    };
    if (::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    std::string content;
    char buffer[64 * 1024];
    for (;;)
    {
        const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
        if (got < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(got));
    }
    bytes = std::move(content);
    return true;
}

std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < text.size())
    {
        std::size_t end = text.find('\n', from);
        if (end == std::string_view::npos)
            end = text.size();
        lines.emplace_back(text.substr(from, end - from));
        from = end + 1;
    }
    return lines;
}

void WriteFileAtomically(const std::string& path, std::string_view bytes)
{
    static std::atomic<unsigned> counter{0};
    const std::string target = ResolveTarget(path);

    // A file that already holds these bytes is left alone: no new file, no sync, no rename.
    std::string current;
    if (ReadWholeFile(target, current) && current == bytes)
        return;

    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt)
    {
        temp = target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            FailWrite(path, errno);
    }
    if (fd < 0)
        FailWrite(path, EEXIST);
    CFd file(fd);

    struct stat existing
    {
    };
    if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
        ::fchmod(file.Get(), existing.st_mode & 07777);

    int error = WriteAllBytes(file.Get(), bytes);
    if (error == 0 && ::fsync(file.Get()) != 0)
        error = errno;
    if (::close(file.Release()) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0)
    {
        ::unlink(temp.c_str());
        FailWrite(path, error);
    }
    SyncDirectory(DirectoryOf(target));
}

int MoveWithoutReplacing(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without that rename: a hard link is just as exclusive.
    if (::link(from.c_str(), to.c_str()) == 0)
    {
        ::unlink(from.c_str());
        return 0;
    }
    if (errno != EPERM && errno != EOPNOTSUPP)
        return errno;
    // Nor hard links: claim the name with a new empty file, then replace that.
    CFd claim(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (claim.Get() < 0)
        return errno;
    if (::rename(from.c_str(), to.c_str()) == 0)
        return 0;
    const int error = errno;
    ::unlink(to.c_str());
    return error;
}
