#include "e2e_settings.h"

#include "platform/FileError.h"
#include "settings/DataPaths.h"
#include "settings/ModeData.h"
#include "settings/Options.h"
#include "settings/TSList.h"

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

        // Every mode file and both histories exist, as after any earlier run: a run measures
        // the crawl, not the program's first set-up of its folder.
        for (int number = 0; number < kModeCount; ++number)
        {
            CModeData mode;
            MakeBuiltInMode(mode, number, workDir);
            if (number == kFindFilesOnSite)
            {
                mode.m_localFollowMax = settings.m_siteLocalFollowMax;
                mode.m_reserved = settings.m_pagesAtOnce;
            }
            mode.Save(JoinDataPath(workDir, ModeFileName(number)));
        }
        const CTSList empty;
        empty.Save("urls.his", workDir);
        empty.Save("files.his", workDir);
    }
    catch (const CFileError& fileError)
    {
        error = fileError.what();
        return false;
    }
    return true;
}
