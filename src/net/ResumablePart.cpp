#include "net/ResumablePart.h"

#include "platform/AtomicFile.h"
#include "platform/FileError.h"

#include <cerrno>
#include <cinttypes>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{

// "~" never begins a final name.
constexpr const char* kResumePrefix = "~harvestor-r";
constexpr const char* kRecordSuffix = ".info";
// A file given its final name (or removed) between our open and our lock is opened again.
constexpr int kOpenAttempts = 4;

std::uint64_t Fnv1a(const std::string& text, std::uint64_t hash = 14695981039346656037ULL)
{
    for (const char c : text)
    {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    return hash;
}

bool SameFile(int fd, const std::string& path)
{
    struct stat opened = {};
    struct stat named = {};
    return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// Opens and locks the file at path; -1 with errno set when that fails.
int OpenLocked(const std::string& path, int flags)
{
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt)
    {
        const int fd = ::open(path.c_str(), flags | O_RDWR | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0)
            return -1;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        {
            ::close(fd);
            errno = EWOULDBLOCK;
            return -1;
        }
        struct stat status = {};
        if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        {
            ::close(fd);
            errno = EINVAL;
            return -1;
        }
        if (SameFile(fd, path))
            return fd;
        ::close(fd);
    }
    errno = EAGAIN;
    return -1;
}

std::string RecordText(const std::string& url, const std::string& path,
                       const std::string& validator, std::uint64_t length)
{
    return url + "\n" + path + "\n" + validator + "\n" + std::to_string(length) + "\n";
}

} // namespace

std::string ResumablePartPath(const std::string& url, const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016" PRIx64, Fnv1a(path, Fnv1a(url + "\n")));
    return folder + kResumePrefix + hash + ".part";
}

CResumablePart::~CResumablePart()
{
    if (m_path.empty())
        return;
    if (!m_keep)
    {
        // Removed while still locked: a download waiting for the name opens it anew.
        RemoveRecord();
        ::unlink(m_path.c_str());
    }
    m_stream.reset();
}

int CResumablePart::Open(const std::string& url, const std::string& path)
{
    const std::string partPath = ResumablePartPath(url, path);
    const int fd = OpenLocked(partPath, O_CREAT);
    if (fd < 0)
        return errno;
    m_stream = BufferedStream(fd, "r+b");
    if (!m_stream)
    {
        const int error = errno;
        ::close(fd);
        return error;
    }
    m_path = partPath;
    m_url = url;
    m_localPath = path;

    struct stat status = {};
    ::fstat(fd, &status);
    const auto size = static_cast<std::uint64_t>(status.st_size);
    std::string bytes;
    std::vector<std::string> record;
    if (ReadWholeFile(m_path + kRecordSuffix, bytes))
        record = SplitLines(bytes);
    record.resize(4);
    const std::string& keptUrl = record[0];
    const std::string& keptPath = record[1];
    const std::string& validator = record[2];
    const std::string& lengthText = record[3];
    const std::uint64_t length = std::strtoull(lengthText.c_str(), nullptr, 10);
    // Bytes beyond the announced length, or of another URL, are nothing to continue.
    if (keptUrl != url || keptPath != path || validator.empty() || size == 0 ||
        (length != 0 && size >= length))
        return Restart();
    m_validator = validator;
    m_keptBytes = size;
    return ::fseeko(m_stream.get(), static_cast<off_t>(size), SEEK_SET) == 0 ? 0 : errno;
}

int CResumablePart::Restart()
{
    m_validator.clear();
    m_keptBytes = 0;
    RemoveRecord();
    if (std::fflush(m_stream.get()) != 0 || ::ftruncate(::fileno(m_stream.get()), 0) != 0 ||
        std::fseek(m_stream.get(), 0, SEEK_SET) != 0)
        return errno;
    return 0;
}

int CResumablePart::Remember(const std::string& validator, std::uint64_t length)
{
    m_validator = validator;
    if (validator.empty())
    {
        RemoveRecord();
        return 0;
    }
    try
    {
        WriteFileAtomically(m_path + kRecordSuffix,
                            RecordText(m_url, m_localPath, validator, length));
    }
    catch (const CFileError&)
    {
        m_validator.clear();
        return EIO;
    }
    return 0;
}

int CResumablePart::Flush()
{
    errno = 0;
    if (std::fflush(m_stream.get()) != 0 || std::ferror(m_stream.get()) != 0)
        return errno != 0 ? errno : EIO;
    return 0;
}

void CResumablePart::KeepForLater()
{
    m_keep = !m_validator.empty();
}

void CResumablePart::Placed()
{
    RemoveRecord();
    m_keep = true;
}

void CResumablePart::RemoveRecord() const
{
    if (!m_path.empty())
        ::unlink((m_path + kRecordSuffix).c_str());
}

void DiscardPartialDownload(const std::string& url, const std::string& path)
{
    const std::string partPath = ResumablePartPath(url, path);
    const int fd = OpenLocked(partPath, 0);
    if (fd < 0)
        return;
    ::unlink((partPath + kRecordSuffix).c_str());
    ::unlink(partPath.c_str());
    ::close(fd);
}
