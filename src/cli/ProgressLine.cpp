#include "cli/ProgressLine.h"

#include "settings/LogFile.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace
{

constexpr std::chrono::milliseconds kRedrawInterval{100};
constexpr std::size_t kDefaultWidth = 80;

std::string FormatBytes(std::uint64_t bytes)
{
    static constexpr const char* kUnits[] = {"B", "KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(kUnits))
    {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", value, kUnits[unit]);
    return text;
}

} // namespace

std::string FormatProgress(const CProgressFigures& figures, std::size_t width)
{
    std::string line = "Pages " + std::to_string(figures.pagesRead) + " | Files " +
                       std::to_string(figures.filesFound) + " | Downloaded " +
                       std::to_string(figures.filesDownloaded) + " (" +
                       FormatBytes(figures.bytesDownloaded) + ")";
    if (!figures.currentPage.empty())
    {
        line += " | ";
        // A page's URL comes from the network: no control character reaches the terminal, and
        // no password is shown.
        for (const char c : MaskForOutput(figures.currentPage))
        {
            const auto byte = static_cast<unsigned char>(c);
            line += (byte < 0x20 || byte == 0x7f) ? '?' : c;
        }
    }
    if (line.size() > width)
    {
        std::size_t cut = width;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        line.resize(cut);
    }
    return line;
}

CProgressLine::CProgressLine(std::FILE* stream, bool enabled)
    : m_stream(stream), m_enabled(enabled && ::isatty(::fileno(stream)) == 1)
{
}

CProgressLine::~CProgressLine()
{
    Erase();
}

std::size_t CProgressLine::TerminalWidth() const
{
    winsize size{};
    if (::ioctl(::fileno(m_stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 1)
        return size.ws_col - 1; // the last column would wrap on some terminals
    return kDefaultWidth - 1;
}

bool CProgressLine::Due() const
{
    return m_enabled &&
           (!m_shown || std::chrono::steady_clock::now() - m_lastDraw >= kRedrawInterval);
}

void CProgressLine::Show(const CProgressFigures& figures)
{
    if (!Due())
        return;
    m_lastDraw = std::chrono::steady_clock::now();
    m_shown = true;
    const std::string line = FormatProgress(figures, TerminalWidth());
    std::fprintf(m_stream, "\r%s\x1b[K", line.c_str());
    std::fflush(m_stream);
}

void CProgressLine::Erase()
{
    if (!m_shown)
        return;
    m_shown = false;
    std::fputs("\r\x1b[K", m_stream);
    std::fflush(m_stream);
}
