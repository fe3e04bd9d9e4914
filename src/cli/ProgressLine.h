#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

// What the status line shows.
struct CProgressFigures
{
    std::uint32_t pagesRead = 0;
    std::uint32_t filesFound = 0;
    std::uint32_t filesDownloaded = 0;
    std::uint64_t bytesDownloaded = 0;
    std::string currentPage;
};

// The text of the status line, cut to width bytes (never inside a UTF-8 character); the page's
// URL is masked as the log masks it, and its other control characters are shown as "?".
std::string FormatProgress(const CProgressFigures& figures, std::size_t width);

// One status line on a terminal, redrawn in place at most ten times a second and erased at the
// end. Does nothing when the stream is not a terminal or when disabled.
class CProgressLine
{
public:
    CProgressLine(std::FILE* stream, bool enabled);
    ~CProgressLine();
    CProgressLine(const CProgressLine&) = delete;
    CProgressLine& operator=(const CProgressLine&) = delete;

    // True when Show would draw now; the figures need not be gathered otherwise.
    bool Due() const;
    void Show(const CProgressFigures& figures);
    // Removes the line, so that what is written next starts on a clean line.
    void Erase();

private:
    std::size_t TerminalWidth() const;

    std::FILE* m_stream;
    bool m_enabled;
    bool m_shown = false;
    std::chrono::steady_clock::time_point m_lastDraw{};
};
