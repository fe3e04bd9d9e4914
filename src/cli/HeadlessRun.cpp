#include "cli/HeadlessRun.h"

#include "cli/DecisionReport.h"
#include "cli/EventQueue.h"
#include "cli/FoundFilesReport.h"
#include "cli/InterruptSignals.h"
#include "cli/ProgressLine.h"
#include "platform/FileError.h"
#include "platform/UserPrompts.h"
#include "session/CommandLineInfo.h"
#include "session/Engine.h"
#include "session/SessionMessages.h"
#include "settings/DataFolderLock.h"
#include "settings/DataPaths.h"
#include "settings/LogFile.h"
#include "settings/ModeData.h"
#include "settings/UserSettingsFile.h"
#include "url/Url.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <set>
#include <unistd.h>
#include <variant>

namespace
{

// The progress line is drawn again at least this often while no event wakes the front-end;
// signals and the time limit are looked at as often.
constexpr std::chrono::milliseconds kRedrawInterval{100};

bool IsSet(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// The front-end's part of a run: the engine's events, the end of the work, the close.
class CHeadlessFrontEnd
{
public:
    CHeadlessFrontEnd(CEngine& engine, const CTrawlerCommandLineInfo& commandLine)
        : m_engine(engine), m_progress(stderr, !commandLine.m_quiet)
    {
        m_engine.SetObserver(&m_events);
    }

    ~CHeadlessFrontEnd() { m_engine.SetObserver(nullptr); }

    CHeadlessFrontEnd(const CHeadlessFrontEnd&) = delete;
    CHeadlessFrontEnd& operator=(const CHeadlessFrontEnd&) = delete;

    // How a run ended besides its work being done.
    enum class EEnd
    {
        Done,
        Interrupted,
        TimeUp,
    };

    // Serves the workers until the work is done (or a worker asks to close), a signal came or
    // the deadline passed, then closes.
    EEnd RunUntilDone(const CInterruptSignals& signals,
                      std::optional<std::chrono::steady_clock::time_point> deadline)
    {
        EEnd end = EEnd::Done;
        while (!m_closeRequested && !m_engine.IsWorkDone())
        {
            if (signals.Received() != 0)
            {
                end = EEnd::Interrupted;
                break;
            }
            if (deadline && std::chrono::steady_clock::now() >= *deadline)
            {
                end = EEnd::TimeUp;
                break;
            }
            auto wait = kRedrawInterval;
            if (deadline)
                wait = std::clamp(std::chrono::ceil<std::chrono::milliseconds>(
                                      *deadline - std::chrono::steady_clock::now()),
                                  std::chrono::milliseconds(0), kRedrawInterval);
            // One wake-up serves everything that arrived meanwhile.
            if (auto event = m_events.Next(wait))
            {
                Handle(*event);
                for (const CEngineEvent& more : m_events.TakeAll())
                    Handle(more);
            }
            if (m_progress.Due())
                m_progress.Show(Figures());
        }
        Close();
        return end;
    }

    // Sorted by URL, as the window's list is.
    std::vector<std::string> FoundFiles() const { return {m_files.begin(), m_files.end()}; }
    bool OptionsSaved() const { return m_optionsSaved; }
    void EraseProgress() { m_progress.Erase(); }

private:
    void Handle(const CEngineEvent& event)
    {
        if (const auto* file = std::get_if<CFileFoundEvent>(&event))
            m_files.insert(file->url);
        else if (const auto* page = std::get_if<CPageStateEvent>(&event))
        {
            if (page->image == kPageImageReading)
                m_currentPage = page->url;
        }
        else if (std::holds_alternative<CWorkDoneEvent>(event))
            m_closeRequested = true;
        else if (const auto* download = std::get_if<CDownloadStateEvent>(&event))
        {
            if (download->state == DOWNLOAD_FAILED)
                ReportFailedDownload(download->report);
        }
        else if (const auto* stopped = std::get_if<CCrawlStoppedEvent>(&event))
            ReportStop(stopped->text);
        else if (const auto* message = std::get_if<CShowMessageEvent>(&event))
        {
            m_progress.Erase();
            m_engine.Prompts().ShowMessageAs(message->kind, message->caption, message->text);
        }
    }

    // Why the crawl stopped early, said once: the window would show it on its status bar.
    void ReportStop(const std::string& text)
    {
        if (m_stopReported)
            return;
        m_stopReported = true;
        m_progress.Erase();
        std::fprintf(stderr, "%s\n", text.c_str());
    }

    // A failed file is not lost in a run without a window: it is named on standard error.
    void ReportFailedDownload(const CDownloadReport& report)
    {
        m_progress.Erase();
        const std::string line =
            MaskForOutput("harvestor: download failed: " + report.url + ": " + report.reason);
        std::fprintf(stderr, "%s\n", line.c_str());
    }

    CProgressFigures Figures() const
    {
        const CEngineStats stats = m_engine.Statistics();
        return CProgressFigures{stats.browsedSites, stats.foundFiles, stats.receivedFiles,
                                stats.receivedBytes, m_currentPage};
    }

    // Stops the workers and keeps the options, as closing the window does; the window layout
    // stored in the options stays as it was loaded (no window was shown).
    void Close()
    {
        m_closing = true;
        m_engine.CancelAllWork();
        m_optionsSaved = m_engine.SaveOptions();
        // Nothing a worker does waits for this thread (prompts are answered as they are posted),
        // so the threads can be joined before their last events are served.
        m_engine.JoinAllWork();
        // What the workers posted last (a failed download's report) is still served.
        while (auto event = m_events.Next(std::chrono::milliseconds(0)))
            Handle(*event);
    }

    CEngine& m_engine;
    CEventQueue m_events;
    std::set<std::string> m_files;
    CProgressLine m_progress;
    std::string m_currentPage;
    bool m_closeRequested = false;
    bool m_closing = false;
    bool m_optionsSaved = true;
    bool m_stopReported = false;
};

CTrawlerCommandLineInfo ParseArguments(int argc, const char* const* argv, std::int32_t defaultMode)
{
    CTrawlerCommandLineInfo commandLine(defaultMode);
    commandLine.ParseCommandLine(argc, argv);
    return commandLine;
}

// A decision file that cannot be written is known before the crawl, not after it. A file made
// only to find that out is removed again.
bool CanWriteFile(const std::string& path, std::string& error)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0)
    {
        ::close(fd);
        ::unlink(path.c_str());
        return true;
    }
    if (errno == EEXIST && ::access(path.c_str(), W_OK) == 0)
        return true;
    error = path + ": " + std::strerror(errno);
    return false;
}

void ReportUnreadStartPages(const CEngine& engine)
{
    for (const CUnreadPage& page : engine.UnreadStartPages())
    {
        const std::string line = MaskForOutput("harvestor: cannot read " + page.url + ": " +
                                               (page.problem.empty() ? "no answer" : page.problem));
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

// The command line's settings for this run; with "save" they are kept, in options.dat and in the
// file of the run's mode, as the window would write them. False when saving failed (the user
// was told).
bool UseRunSettings(CEngine& engine, const CTrawlerCommandLineInfo& commandLine)
{
    if (commandLine.m_settings.empty() && !commandLine.m_save)
        return true;
    if (RunSettingValue(commandLine.m_settings, "history") == std::optional<std::string>("off"))
        engine.SkipHistories();
    COptions options = *engine.Options();
    ApplyRunSettings(commandLine.m_settings, options);
    if (!commandLine.m_save)
    {
        engine.SetRunOptions(options);
        return true;
    }
    engine.SetOptions(options);
    if (!engine.SaveOptions(true))
        return false;
    try
    {
        const std::unique_ptr<CModeData> mode = GetMode(commandLine.m_modeIndex, options);
        ApplyRunSettings(commandLine.m_settings, *mode);
        mode->Save();
    }
    catch (const CFileError& error)
    {
        engine.ReportFileError(error);
        return false;
    }
    return true;
}

} // namespace

bool IsHeadlessEnvironment()
{
    return !IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY");
}

int RunHeadless(int argc, const char* const* argv)
{
    {
        const CTrawlerCommandLineInfo check = ParseArguments(argc, argv, 0);
        std::string error = check.m_error;
        if (error.empty())
            error = CheckRunSettings(check.m_settings);
        if (error.empty() && !check.m_explainFile.empty() &&
            !CanWriteFile(check.m_explainFile, error))
            error = "cannot write " + error;
        if (!error.empty() || check.m_sites.empty())
        {
            if (!error.empty())
                std::fprintf(stderr, "harvestor: %s\n", error.c_str());
            std::fputs(kUsageText, stderr);
            return kExitUsage;
        }
    }
    // Before the log is opened: a second run must leave the first one's files alone.
    CDataFolderLock folderLock;
    if (!folderLock.Take(CurrentDirectory()))
    {
        std::fprintf(stderr, "%s\n", folderLock.Problem().c_str());
        return kExitFolderInUse;
    }
    // Before any other thread starts, so that every thread leaves the signals to it.
    CInterruptSignals signals([](int) {});
    if (!StartNetworkLibrary())
    {
        std::fprintf(stderr, "%s\n", kSocketsFailedMessage);
        return kExitStartPageUnread;
    }
    int status = kExitAllRead;
    {
        // The engine's log opens in the current directory; messages go to standard error.
        CEngine engine;
        engine.LoadOptions();
        // The options name the mode used when the command line names none.
        CTrawlerCommandLineInfo commandLine =
            ParseArguments(argc, argv, engine.Options()->m_defaultMode);
        // Nobody could close a run without a window: it ends when its work is done.
        commandLine.m_terminate = true;
        std::optional<std::chrono::steady_clock::time_point> deadline;
        if (commandLine.m_maxTimeSeconds > 0)
            deadline = std::chrono::steady_clock::now() +
                       std::chrono::seconds(commandLine.m_maxTimeSeconds);
        const bool settingsSaved = UseRunSettings(engine, commandLine);
        if (!engine.Open(commandLine.m_agent))
        {
            std::fprintf(stderr, "%s\n", kSocketsFailedMessage);
            status = kExitStartPageUnread;
        }
        else
        {
            CHeadlessFrontEnd frontEnd(engine, commandLine);
            RecordWorkDirectory(UserSettingsPath(), engine.Options()->m_workDir);
            engine.LoadHistories();
            std::function<void(CModeData&)> adjust;
            if (!commandLine.m_settings.empty())
                adjust = [&](CModeData& mode) { ApplyRunSettings(commandLine.m_settings, mode); };
            engine.BrowseCommandLineSites(commandLine, adjust);
            const CHeadlessFrontEnd::EEnd end = frontEnd.RunUntilDone(signals, deadline);
            frontEnd.EraseProgress();
            bool saved = frontEnd.OptionsSaved() && settingsSaved;
            saved = engine.EndSession() && saved;
            WriteFoundFiles(stdout, frontEnd.FoundFiles(), engine, commandLine.m_tsv);
            std::fflush(stdout);
            ReportUnreadStartPages(engine);
            WriteWhyLines(stderr, engine, commandLine.m_why, commandLine.m_settings);
            std::string error;
            if (!commandLine.m_explainFile.empty() &&
                !WriteExplainFile(commandLine.m_explainFile, engine, commandLine.m_settings, error))
            {
                std::fprintf(stderr, "harvestor: cannot write %s\n", error.c_str());
                saved = false;
            }
            if (!saved)
                status = kExitFileNotSaved;
            else if (end == CHeadlessFrontEnd::EEnd::Interrupted)
                status = InterruptedStatus(signals.Received());
            else if (end == CHeadlessFrontEnd::EEnd::TimeUp)
                status = kExitTimeLimit;
            else if (!engine.UnreadStartPages().empty())
                status = kExitStartPageUnread;
            else if (engine.FailedDownloads() != 0 && engine.Options()->m_autoDownload)
                status = kExitDownloadFailed;
        }
    }
    StopNetworkLibrary();
    return status;
}
