#include "settings/Histories.h"

#include "platform/FileError.h"
#include "settings/Options.h"

void CHistories::LoadAtStartup(const COptions& options)
{
    if (options.m_rememberDownloads)
    {
        m_fileHistory.Load(kFileHistoryFileName, options.m_workDir);
        m_fileHistoryLoaded = true;
    }
    m_urlHistory.Load(kUrlHistoryFileName, options.m_workDir);
    m_urlHistoryLoaded = true;
}

bool CHistories::SaveAtShutdown(const COptions& options)
{
    bool saved = true;
    // Shut-down goes on whatever happens to one file.
    auto save = [&](const CTSList& list, const char* fileName)
    {
        try
        {
            list.Save(fileName, options.m_workDir);
        }
        catch (const CFileError&)
        {
            saved = false;
        }
    };
    if (options.m_rememberDownloads && m_fileHistoryLoaded)
        save(m_fileHistory, kFileHistoryFileName);
    if (m_urlHistoryLoaded)
        save(m_urlHistory, kUrlHistoryFileName);
    return saved;
}
