#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

// A stdio stream that closes itself.
struct CFileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using CFileStream = std::unique_ptr<std::FILE, CFileCloser>;

// A stream over an open descriptor with a buffer large enough for download blocks (large writes
// keep the system calls few); empty when
// the stream cannot be made (the descriptor then stays open for the caller to close).
inline CFileStream BufferedStream(int fd, const char* mode)
{
    constexpr std::size_t kBuffer = 64 * 1024;
    CFileStream stream(::fdopen(fd, mode));
    if (stream)
        std::setvbuf(stream.get(), nullptr, _IOFBF, kBuffer);
    return stream;
}
