#pragma once

#include "platform/FileStream.h"

#include <cstdio>
#include <memory>
#include <string>

// The bytes of a download while they arrive: a new file, created exclusively in the folder of
// the final name under a name that no final name can have (final names begin with a letter, a
// digit, "_", "." or "-"). It is removed again unless the download gives it its final name, so
// a failed or cancelled download leaves nothing behind.
class CPartFile
{
public:
    CPartFile() = default;
    ~CPartFile();
    CPartFile(const CPartFile&) = delete;
    CPartFile& operator=(const CPartFile&) = delete;

    // Creates the file in the folder of finalPath. 0, or the system's error number when no
    // file can be created there.
    int CreateBeside(const std::string& finalPath);
    std::FILE* Stream() const { return m_stream.get(); }
    const std::string& Path() const { return m_path; }
    // Writes what is buffered, gives the file the usual mode of the user's new files (it is
    // created for the user alone) and closes the stream: 0, or the system's error number.
    int Finish();
    // The file has its final name now: nothing to remove.
    void Keep() { m_path.clear(); }

private:
    CFileStream m_stream;
    std::string m_path;
};
