#pragma once

#include <atomic>

class CInternetSession;
class CConnectionCache;
class COptions;
class CLogFile;
struct CStatistics;
class CFramePoster;
class CUserPrompts;

// The shared objects that transfers use, handed over in one piece. The owner of the shared state
// builds it once; every member outlives the transfers.
struct CTransferContext
{
    CInternetSession& session;
    CConnectionCache& connections;
    const COptions& options; // read without a lock, as every worker does
    CLogFile& log;
    CStatistics& statistics;
    CFramePoster& frame;
    CUserPrompts& prompts;
    // Set by the user-interface thread; page reads watch the first, downloads the second.
    const std::atomic<bool>& cancelBrowse;
    const std::atomic<bool>& cancelDownload;
};
