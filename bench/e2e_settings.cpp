#include "e2e_settings.h"

#include "platform/FileError.h"
#include "settings/DataPaths.h"
#include "settings/ModeData.h"
#include "settings/Options.h"

namespace
{
constexpr int kFindFilesOnSite = 1;
} // namespace

bool WriteBenchSettings(const std::string& workDir, const CBenchSettings& settings,
                        std::string& error)
{
    try
    {
        COptions options(workDir);
        options.SetDefaults();
        options.m_askSiteAtStartup = false;
        options.m_autoDownload = settings.m_autoDownload;
        options.m_downloadThreads = settings.m_downloadThreads;
        if (!settings.m_downloadDir.empty())
            options.m_downloadDir = settings.m_downloadDir;
        options.Save();

        CModeData mode;
        MakeBuiltInMode(mode, kFindFilesOnSite, workDir);
        mode.m_localFollowMax = settings.m_siteLocalFollowMax;
        mode.m_reserved = settings.m_pagesAtOnce;
        mode.Save(JoinDataPath(workDir, ModeFileName(kFindFilesOnSite)));
    }
    catch (const CFileError& fileError)
    {
        error = fileError.what();
        return false;
    }
    return true;
}
