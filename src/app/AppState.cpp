#include "app/AppState.h"

#include "download/PendingDownloads.h"
#include "platform/InternetSession.h"

CAppState::CAppState() : m_log(kLogFileName) {}

CAppState::CAppState(std::string workDir, const std::string& logPath)
    : m_log(logPath), m_options(std::move(workDir))
{
}

CAppState::~CAppState() = default;

std::uint32_t CAppState::PendingDownloads()
{
    return ::PendingDownloads(m_downloadQueue, m_runningDownloads.load(), m_stats);
}
