#pragma once

#include "settings/TSList.h"

#include <string>
#include <vector>

class COptions;

inline constexpr const char* kUrlHistoryFileName = "urls.his";
inline constexpr const char* kFileHistoryFileName = "files.his";

// The page history (browsed pages with their modification times, "urls.his") and the
// download history (downloaded files, "files.his"), kept across runs in the working directory.
// Hand &m_urlHistory to CUrl so that parsed records get their visited mark.
class CHistories
{
public:
    // Start-up, before any worker runs: the download history only when it is remembered, the
    // page history always. A missing or damaged file gives an empty list.
    void LoadAtStartup(const COptions& options);
    // Shut-down, after every worker has ended: writes the lists that LoadAtStartup read, the
    // download history only while it is still remembered. A list that start-up never read is
    // not written, so its file on disk keeps the entries of earlier runs. False when a file
    // could not be written; errors, when given, then receives a line for each such file that
    // names it and the reason.
    bool SaveAtShutdown(const COptions& options, std::vector<std::string>* errors = nullptr);

    CTSList m_urlHistory;
    CTSList m_fileHistory;

private:
    bool m_urlHistoryLoaded = false;
    bool m_fileHistoryLoaded = false;
};
