#pragma once

#include <string>

// What a benchmark run of the program changes from its default settings.
struct CBenchSettings
{
    // Raised local maximum of "Find files on Site", so that the whole site is read.
    int m_siteLocalFollowMax = 1000000;
    bool m_autoDownload = false;
    int m_downloadThreads = 4;
    std::string m_downloadDir;
    // Pages read at once by "Find files on Site" (the mode's field; 0 is the program's default).
    int m_pagesAtOnce = 0;
};

// Writes options.dat, the three mode files (with the changes above to "Find files on Site") and
// empty histories into workDir, as the program reads them from its working directory. False with
// error set when a file cannot be written.
bool WriteBenchSettings(const std::string& workDir, const CBenchSettings& settings,
                        std::string& error);
