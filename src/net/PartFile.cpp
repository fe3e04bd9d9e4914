#include "net/PartFile.h"

#include "net/PrivateFile.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace
{

// "~" never begins a final name.
constexpr const char* kPartPrefix = "~harvestor-";
constexpr const char* kPartSuffix = ".part";
// Names left by an earlier run with the same process id are skipped, up to this many.
constexpr int kMaxAttempts = 1000;

} // namespace

CPartFile::~CPartFile()
{
    m_stream.reset();
    if (!m_path.empty())
        ::unlink(m_path.c_str());
}

int CPartFile::CreateBeside(const std::string& finalPath)
{
    static std::atomic<unsigned> counter{0};
    const std::size_t slash = finalPath.rfind('/');
    const std::string prefix = slash == std::string::npos ? "" : finalPath.substr(0, slash + 1);
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt)
    {
        const std::string path = prefix + kPartPrefix + std::to_string(::getpid()) + "-" +
                                 std::to_string(counter.fetch_add(1)) + kPartSuffix;
        // Never an existing file, and never through a symbolic link; for the user alone until
        // it is complete.
        const int fd = CreatePrivateFile(path, O_WRONLY);
        if (fd < 0)
        {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        m_stream = BufferedStream(fd, "wb");
        if (!m_stream)
        {
            const int error = errno;
            ::close(fd);
            ::unlink(path.c_str());
            return error;
        }
        m_path = path;
        return 0;
    }
    return EEXIST;
}

int CPartFile::Finish()
{
    if (!m_stream)
        return EBADF;
    const int modeError = GiveUsualMode(::fileno(m_stream.get()));
    errno = 0;
    if (std::fclose(m_stream.release()) != 0)
        return errno != 0 ? errno : EIO;
    return modeError;
}
