#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

inline constexpr const char* kLogFileName = "hvstr.log";

// The text as the log and standard output show it: the password of every "scheme://user:pass@"
// as "***", and the C1 control characters (UTF-8 C2 80 to C2 9F, which a terminal obeys)
// percent-escaped. URLs come from pages and from the user's own start addresses.
std::string MaskForOutput(std::string_view text);

// The run's plain-text log of pages browsed and files downloaded or skipped. Every Write is
// one formatted write followed by a flush, so lines from different threads never mix and are
// complete in the file as soon as Write returns; only a thread that holds its lines (CHold)
// leaves them in the buffer for a while. Pass URLs as arguments, never as the format. Open and
// Close belong to the owner, when no other thread writes.
class CLogFile
{
public:
    // For a thread that writes lines in quick succession, such as a crawl that works on pages
    // already read: while the object lives, the thread's lines stay in the file's buffer until
    // the buffer fills, another thread's line is flushed, the thread calls WriteOutHeld (before
    // it waits for anything) or the object ends. Flushing every line costs a system call each.
    class CHold
    {
    public:
        explicit CHold(CLogFile& log);
        ~CHold();
        CHold(const CHold&) = delete;
        CHold& operator=(const CHold&) = delete;

    private:
        CLogFile& m_log;
        CLogFile* m_previous;
    };

    explicit CLogFile(const std::string& fileName = kLogFileName);
    virtual ~CLogFile();

    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;

    // Creates or truncates fileName; a log that was open is closed first. False (and every
    // later Write ignored) when the file cannot be created.
    bool Open(const std::string& fileName);
    void Close();
    bool IsOpen() const { return m_file != nullptr; }

    // printf-style, the line masked with MaskForOutput; nothing happens while the log is not
    // open. Write errors are ignored.
    void Write(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Flushes the lines that the calling thread holds; does nothing when it holds none.
    void WriteOutHeld();

private:
    struct CCloseFile
    {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    std::unique_ptr<std::FILE, CCloseFile> m_file;
};
