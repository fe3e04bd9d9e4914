#pragma once

#include <string>

inline constexpr const char* kDataFolderLockName = "hvstr.lock";

// One run per data folder: two runs that share the settings, the histories and the log would
// each write back what it loaded and truncate the other's log. A run takes this lock before it
// touches anything in the folder and holds it for its whole life; the system frees it with the
// process, also after a crash. The descriptor is not inherited by programs the run starts, so a
// browser opened from the window cannot keep the folder locked.
class CDataFolderLock
{
public:
    CDataFolderLock() = default;
    ~CDataFolderLock();
    CDataFolderLock(const CDataFolderLock&) = delete;
    CDataFolderLock& operator=(const CDataFolderLock&) = delete;

    // Takes the lock of folder. False when another run holds it or the lock file cannot be
    // made; Problem() then says which, in a line for the user.
    bool Take(const std::string& folder);
    const std::string& Problem() const { return m_problem; }

private:
    int m_fd = -1;
    std::string m_problem;
};
