#pragma once

#include <stdexcept>
#include <string>

// The one exception that travels: a settings or history file that cannot be opened, written
// or read to its end. It ends the command that asked for the save or load.
class CFileError : public std::runtime_error
{
public:
    enum class Cause
    {
        kOpenFailed,  // the file cannot be opened for reading
        kWriteFailed, // the file cannot be created, written or put in place
        kEndOfFile,   // the file ends before its fields do
        kInvalidFile, // the content cannot be this kind of file
    };

    CFileError(Cause cause, const std::string& path, const std::string& detail)
        : std::runtime_error(MakeMessage(cause, path, detail)), m_cause(cause), m_path(path)
    {
    }

    Cause GetCause() const { return m_cause; }
    const std::string& GetPath() const { return m_path; }

private:
    static std::string MakeMessage(Cause cause, const std::string& path, const std::string& detail)
    {
        std::string text;
        switch (cause)
        {
        case Cause::kOpenFailed:
            text = "Cannot open the file";
            break;
        case Cause::kWriteFailed:
            text = "Cannot write the file";
            break;
        case Cause::kEndOfFile:
            text = "Unexpected end of the file";
            break;
        case Cause::kInvalidFile:
            text = "Invalid file format";
            break;
        }
        if (!path.empty())
            text += " " + path;
        if (!detail.empty())
            text += ": " + detail;
        return text;
    }

    Cause m_cause;
    std::string m_path;
};
