#pragma once

#include "net/ConnectionCache.h"
#include "net/InternetSession.h"
#include "net/TransferContext.h"
#include "platform/EventPoster.h"
#include "platform/Statistics.h"
#include "settings/LogFile.h"
#include "settings/Options.h"

#include <atomic>
#include <string>

// What a transfer needs and nothing of the engine around it, working in the folder root: the
// transfer benchmarks measure the transfer layer alone.
struct CTransferParts
{
    explicit CTransferParts(const std::string& root) : options(root), log(root + "/hvstr.log") {}
    CInternetSession session{"Hvstr152"};
    CConnectionCache connections;
    COptions options;
    CLogFile log;
    CStatistics statistics;
    CEventPoster events;
    std::atomic<bool> cancelBrowse{false};
    std::atomic<bool> cancelDownload{false};
    CTransferContext context{session,    connections, options,      log,
                             statistics, events,      cancelBrowse, cancelDownload};
};
