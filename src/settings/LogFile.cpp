#include "settings/LogFile.h"

#include <cstdarg>

CLogFile::CLogFile(const std::string& fileName)
{
    Open(fileName);
}

CLogFile::~CLogFile()
{
    Close();
}

bool CLogFile::Open(const std::string& fileName)
{
    Close();
    m_file.reset(std::fopen(fileName.c_str(), "we")); // "e": not inherited by child processes
    return IsOpen();
}

void CLogFile::Close()
{
    m_file.reset();
}

void CLogFile::Write(const char* format, ...)
{
    std::FILE* file = m_file.get();
    if (file == nullptr)
        return;
    va_list arguments;
    va_start(arguments, format);
    // One lock around the write and its flush: no other line can slip in between.
    flockfile(file);
    std::vfprintf(file, format, arguments);
    std::fflush(file);
    funlockfile(file);
    va_end(arguments);
}
