#include "settings/Histories.h"

#include "platform/FileError.h"
#include "settings/DataPaths.h"
#include "settings/Options.h"

void CHistories::LoadAtStartup(const COptions& options)
{
    // A damaged file starts an empty list; shut-down writes the list in its place, so the old
    // bytes are kept aside.
    const auto load = [&](CTSList& list, const char* fileName)
    {
        if (!list.Load(fileName, options.m_workDir))
            KeepDamagedFile(JoinDataPath(options.m_workDir, fileName));
    };
    if (options.m_rememberDownloads)
    {
        load(m_fileHistory, kFileHistoryFileName);
        m_fileHistoryLoaded = true;
    }
    load(m_urlHistory, kUrlHistoryFileName);
    m_urlHistoryLoaded = true;
}

bool CHistories::SaveAtShutdown(const COptions& options, std::vector<std::string>* errors)
{
    bool saved = true;
    // Shut-down goes on whatever happens to one file.
    auto save = [&](const CTSList& list, const char* fileName)
    {
        try
        {
            list.Save(fileName, options.m_workDir);
        }
        catch (const CFileError& error)
        {
            saved = false;
            if (errors != nullptr)
                errors->emplace_back(error.what());
        }
    };
    if (options.m_rememberDownloads && m_fileHistoryLoaded)
        save(m_fileHistory, kFileHistoryFileName);
    if (m_urlHistoryLoaded)
        save(m_urlHistory, kUrlHistoryFileName);
    return saved;
}
