#include "session/SessionSteps.h"

#include "core/TrawlerCore.h"
#include "crawl/BrowseEngine.h"
#include "download/DownloadWorkers.h"
#include "platform/EventPoster.h"
#include "platform/FileError.h"
#include "platform/UserPrompts.h"
#include "session/CommandLineInfo.h"
#include "session/SessionMessages.h"
#include "settings/DataPaths.h"
#include "settings/ModeData.h"
#include "url/Url.h"

#include <curl/curl.h>
#include <memory>
#include <vector>

void ReportFileError(CTrawlerCore& core, const CFileError& error)
{
    core.Prompts().ShowMessageAs(CUserPrompts::EKind::Error, kAppName, error.what());
}

bool StartNetworkLibrary()
{
    return curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;
}

void StopNetworkLibrary()
{
    curl_global_cleanup();
}

void LoadOptions(CTrawlerCore& core)
{
    if (core.m_options.Load())
        core.m_optionsAsLoaded = core.m_options.SaveToBytes();
    else
    {
        KeepDamagedFile(core.m_options.ResolvePath({}));
        core.m_optionsAsLoaded.clear();
    }
    core.PublishOptions();
}

bool OpenEngine(CTrawlerCore& core, const std::string& agent)
{
    if (!core.OpenSession(agent))
        return false;
    EnableDownloadWorkers(core);
    return true;
}

void LoadHistories(CTrawlerCore& core)
{
    core.m_histories.LoadAtStartup(core.m_options);
}

void StartSiteBrowse(CTrawlerCore& core, const std::string& siteText, std::int32_t modeIndex)
{
    CUrlHold site = core.m_urlStore.Add(core.NewRecord(WithDefaultScheme(siteText)));
    core.m_sites.AddLocked(site);

    std::unique_ptr<CModeData> mode;
    try
    {
        mode = GetMode(modeIndex, core.m_options);
    }
    catch (const CFileError& error)
    {
        ReportFileError(core, error);
        return;
    }
    StartBrowse(core, std::move(site), std::move(mode));
}

void BrowseCommandLineSites(CTrawlerCore& core, const CTrawlerCommandLineInfo& commandLine)
{
    for (const std::string& site : commandLine.m_sites)
        StartSiteBrowse(core, site, commandLine.m_modeIndex);
    if (!commandLine.m_sites.empty() && commandLine.m_terminate)
    {
        core.m_options.m_terminateWhenDone = true;
        core.PublishOptions();
    }
}

bool IsWorkDone(CTrawlerCore& core)
{
    return core.m_options.m_terminateWhenDone && core.AllWorkDone();
}

bool WorkersRunning(const CTrawlerCore& core)
{
    return core.m_threads.AnyThreadRunning();
}

void CancelAllWork(CTrawlerCore& core)
{
    core.CancelAllWork();
}

void JoinAllWork(CTrawlerCore& core)
{
    core.JoinWorkers();
}

bool SaveOptions(CTrawlerCore& core)
{
    std::string bytes = core.m_options.SaveToBytes();
    if (!core.m_optionsAsLoaded.empty() && bytes == core.m_optionsAsLoaded)
        return true;
    try
    {
        core.m_options.Save();
    }
    catch (const CFileError& error)
    {
        ReportFileError(core, error);
        return false;
    }
    core.m_optionsAsLoaded = std::move(bytes);
    return true;
}

bool EndSession(CTrawlerCore& core)
{
    core.CloseSession();
    std::vector<std::string> errors;
    const bool saved = core.m_histories.SaveAtShutdown(core.m_options, &errors);
    for (const std::string& error : errors)
        core.Prompts().ShowMessageAs(CUserPrompts::EKind::Error, kAppName, error);
    return saved;
}
