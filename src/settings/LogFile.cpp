#include "settings/LogFile.h"

#include "url/UrlPassword.h"

#include <cstdarg>
#include <cstdio>
#include <utility>

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

namespace
{

// The log whose lines the thread holds, and whether any of them is still in the buffer.
thread_local CLogFile* t_holding = nullptr;
thread_local bool t_heldLines = false;

bool IsC1Control(std::string_view text, std::size_t at)
{
    return static_cast<unsigned char>(text[at]) == 0xC2 && at + 1 < text.size() &&
           static_cast<unsigned char>(text[at + 1]) >= 0x80 &&
           static_cast<unsigned char>(text[at + 1]) <= 0x9F;
}

// Whether MaskForOutput would change text: a password needs an "@", a C1 control character
// the byte 0xC2. Most log lines hold neither and are written as they were formatted.
bool MayNeedMasking(std::string_view text)
{
    return text.find('@') != std::string_view::npos || text.find('\xC2') != std::string_view::npos;
}

} // namespace

CLogFile::CHold::CHold(CLogFile& log) : m_log(log), m_previous(t_holding)
{
    if (m_previous != nullptr)
        m_previous->WriteOutHeld();
    t_holding = &m_log;
}

CLogFile::CHold::~CHold()
{
    m_log.WriteOutHeld();
    t_holding = m_previous;
}

void CLogFile::WriteOutHeld()
{
    if (t_holding != this || !t_heldLines)
        return;
    t_heldLines = false;
    if (std::FILE* file = m_file.get())
        std::fflush(file);
}

void CLogFile::Write(const char* format, ...)
{
    std::FILE* file = m_file.get();
    if (file == nullptr)
        return;
    // Most lines fit the buffer on the stack; a longer one is formatted again at its length.
    char buffer[512];
    va_list arguments;
    va_start(arguments, format);
    va_list again;
    va_copy(again, arguments);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    std::string text;
    std::string_view line;
    if (length > 0 && static_cast<std::size_t>(length) < sizeof buffer)
        line = std::string_view(buffer, static_cast<std::size_t>(length));
    else if (length > 0)
    {
        text.resize(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        text.resize(static_cast<std::size_t>(length));
        line = text;
    }
    va_end(again);
    std::string masked;
    if (MayNeedMasking(line))
    {
        masked = MaskForOutput(line);
        line = masked;
    }
    // One lock around the write and its flush: no other line can slip in between.
    flockfile(file);
    std::fwrite(line.data(), 1, line.size(), file);
    if (t_holding == this)
        t_heldLines = true;
    else
        std::fflush(file);
    funlockfile(file);
}

std::string MaskForOutput(std::string_view text)
{
    std::string masked;
    std::size_t copied = 0;
    for (std::size_t scheme = text.find("://"); scheme != std::string_view::npos;
         scheme = text.find("://", scheme + 3))
    {
        const auto [from, to] = FindUrlPassword(text, scheme);
        if (from == to)
            continue;
        masked.append(text.substr(copied, from - copied));
        masked += "***";
        copied = to;
    }
    masked.append(text.substr(copied));
    // A C1 control character starts with the byte 0xC2; most lines hold none.
    if (masked.find('\xC2') == std::string::npos)
        return masked;

    std::string out;
    out.reserve(masked.size());
    for (std::size_t i = 0; i < masked.size(); ++i)
    {
        if (!IsC1Control(masked, i))
        {
            out += masked[i];
            continue;
        }
        static constexpr char kHex[] = "0123456789ABCDEF";
        const auto second = static_cast<unsigned char>(masked[++i]);
        out += "%C2%";
        out += kHex[second >> 4];
        out += kHex[second & 0xF];
    }
    return out;
}
