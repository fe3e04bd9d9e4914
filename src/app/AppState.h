#pragma once

#include "download/FileSink.h"
#include "download/SiteSink.h"
#include "download/UrlQueue.h"
#include "download/UrlStore.h"
#include "platform/FrameMessages.h"
#include "platform/Statistics.h"
#include "settings/Histories.h"
#include "settings/LogFile.h"
#include "settings/Options.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class CInternetSession;
class CUserPrompts;

// The state that the windows and the workers share, until the core's own owner of it takes
// over: the members below are exactly what the application reads or hands on, so that moving
// to that owner is a matter of changing this one type.
struct CAppState
{
    // Records the current directory as the working directory and opens the log there.
    CAppState();
    // Uses workDir as the working directory and logPath for the log (tests).
    CAppState(std::string workDir, const std::string& logPath);
    ~CAppState();

    CAppState(const CAppState&) = delete;
    CAppState& operator=(const CAppState&) = delete;

    // Files waiting for or in download; also stores the sum as the "queued files" statistic.
    std::uint32_t PendingDownloads();

    // The store comes first: the sinks refer to it.
    CUrlStore m_urlStore;
    CFileSink m_foundFiles{m_urlStore};
    CSiteSink m_sites{m_urlStore};
    CHistories m_histories;
    CStatistics m_stats;
    CLogFile m_log;
    std::unique_ptr<CInternetSession> m_session;
    COptions m_options;
    std::atomic<bool> m_cancelBrowse{false};
    std::atomic<bool> m_cancelDownload{false};

    CUrlQueue m_downloadQueue;
    CFramePoster m_frame;
    // Browse threads that were started and have not ended; the status bar shows it.
    std::atomic<std::int32_t> m_runningBrowses{0};
    // Site browsers that exist; "Cancel Browse" and the shut-down wait look at it.
    std::atomic<std::int32_t> m_liveBrowsers{0};
    // Download workers that run; raised by the main window before it starts one.
    std::atomic<std::uint32_t> m_runningDownloads{0};
    // What the core asks of the user; installed by the application, never null once it runs.
    CUserPrompts* m_prompts = nullptr;
};
