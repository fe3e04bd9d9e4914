#include "net/ResumablePart.h"

#include "net/PrivateFile.h"
#include "platform/AtomicFile.h"
#include "url/UrlPassword.h"

#include <atomic>
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
// A record holds a URL, a path, a validator and a number; anything longer is no record of ours.
constexpr std::size_t kMaxRecordBytes = 16 * 1024;
// Names of a record's replacement left by an earlier run with the same process id are skipped,
// up to this many.
constexpr int kMaxAttempts = 1000;

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

// Opens and locks the partial file at path, first creating it when create says so and there is
// none. -1 with errno set when that fails: ELOOP for a link, EPERM for a file that someone else
// may have put there or may change (it is never adopted, written or locked).
int OpenLocked(const std::string& path, bool create, bool& created)
{
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt)
    {
        created = false;
        int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT && create)
        {
            fd = CreatePrivateFile(path, O_RDWR);
            if (fd < 0 && errno == EEXIST)
                continue;
            created = fd >= 0;
        }
        if (fd < 0)
            return -1;
        if (!IsOwnPrivateFile(fd))
        {
            ::close(fd);
            errno = EPERM;
            return -1;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        {
            ::close(fd);
            errno = EWOULDBLOCK;
            return -1;
        }
        if (SameFile(fd, path))
            return fd;
        ::close(fd);
    }
    errno = EAGAIN;
    return -1;
}

enum class ERecord
{
    kNone,
    kOwn,
    // A link, or a file that is not the user's own private one: never read.
    kForeign,
};

ERecord ReadRecord(const std::string& path, std::string& bytes)
{
    // O_NONBLOCK: a FIFO put under the name must not hold the download up.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? ERecord::kNone : ERecord::kForeign;
    if (!IsOwnPrivateFile(fd))
    {
        ::close(fd);
        return ERecord::kForeign;
    }
    // A record too large or unreadable is read as none: it is replaced.
    char buffer[kMaxRecordBytes + 1];
    std::size_t got = 0;
    while (got < sizeof buffer)
    {
        const ssize_t count = ::read(fd, buffer + got, sizeof buffer - got);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
        {
            if (count < 0)
                got = sizeof buffer;
            break;
        }
        got += static_cast<std::size_t>(count);
    }
    ::close(fd);
    if (got <= kMaxRecordBytes)
        bytes.assign(buffer, got);
    return ERecord::kOwn;
}

// Writes text to a new private file beside path and renames it over path: rename replaces the
// name itself, so a link put there is replaced, never followed. 0 or the system's error number.
int ReplaceRecord(const std::string& path, const std::string& text)
{
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt)
    {
        const std::string temporary =
            path + "." + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
        const int fd = CreatePrivateFile(temporary, O_WRONLY);
        if (fd < 0)
        {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        int error = WriteAllBytes(fd, text);
        if (::close(fd) != 0 && error == 0)
            error = errno;
        if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0)
            error = errno;
        if (error != 0)
            ::unlink(temporary.c_str());
        return error;
    }
    return EEXIST;
}

std::string RecordText(const std::string& url, const std::string& path,
                       const std::string& validator, std::uint64_t length)
{
    return url + "\n" + path + "\n" + validator + "\n" + std::to_string(length) + "\n";
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

} // namespace

std::string ResumablePartPath(const std::string& url, const std::string& path)
{
    // The name is settled only once the answer is in, so the part cannot depend on it.
    const std::string folder = FolderOf(path);
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016" PRIx64,
                  Fnv1a(folder, Fnv1a(UrlWithoutPassword(url) + "\n")));
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
    bool created = false;
    const int fd = OpenLocked(partPath, true, created);
    if (fd < 0)
        return errno;
    std::string bytes;
    if (ReadRecord(partPath + kRecordSuffix, bytes) == ERecord::kForeign)
    {
        // Somebody else's record under our name: nothing of that name is used.
        if (created)
            ::unlink(partPath.c_str());
        ::close(fd);
        return EPERM;
    }
    m_stream = BufferedStream(fd, "r+b");
    if (!m_stream)
    {
        const int error = errno;
        if (created)
            ::unlink(partPath.c_str());
        ::close(fd);
        return error;
    }
    m_path = partPath;
    // The record never holds a password, so neither does what it is compared with.
    m_url = UrlWithoutPassword(url);
    m_localPath = FolderOf(path);

    struct stat status = {};
    ::fstat(fd, &status);
    const auto size = static_cast<std::uint64_t>(status.st_size);
    std::vector<std::string> record = SplitLines(bytes);
    record.resize(4);
    const std::string& keptUrl = record[0];
    const std::string& keptPath = record[1];
    const std::string& validator = record[2];
    const std::string& lengthText = record[3];
    const std::uint64_t length = std::strtoull(lengthText.c_str(), nullptr, 10);
    // Bytes beyond the announced length, or of another URL, are nothing to continue.
    if (keptUrl != m_url || keptPath != m_localPath || validator.empty() || size == 0 ||
        (length != 0 && size >= length))
        return Restart();
    m_validator = validator;
    m_length = length;
    m_keptBytes = size;
    return ::fseeko(m_stream.get(), static_cast<off_t>(size), SEEK_SET) == 0 ? 0 : errno;
}

int CResumablePart::Restart()
{
    m_validator.clear();
    m_length = 0;
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
    if (const int error = ReplaceRecord(m_path + kRecordSuffix,
                                        RecordText(m_url, m_localPath, validator, length));
        error != 0)
    {
        m_validator.clear();
        return error;
    }
    m_length = length;
    return 0;
}

int CResumablePart::Finish()
{
    errno = 0;
    if (std::fflush(m_stream.get()) != 0 || std::ferror(m_stream.get()) != 0)
        return errno != 0 ? errno : EIO;
    return GiveUsualMode(::fileno(m_stream.get()));
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
    bool created = false;
    const int fd = OpenLocked(partPath, false, created);
    if (fd < 0)
        return;
    ::unlink((partPath + kRecordSuffix).c_str());
    ::unlink(partPath.c_str());
    ::close(fd);
}
