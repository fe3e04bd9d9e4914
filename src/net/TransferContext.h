#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

class CInternetSession;
class CConnectionCache;
class COptions;
class CLogFile;
struct CStatistics;
class CEventPoster;
class CSiteFailures;

// A page read ends after this long even while bytes keep coming: the page's text is what came.
inline constexpr std::chrono::seconds kPageReadLimit{300};

// The shared objects that transfers use, handed over in one piece. The owner of the shared state
// builds it once; every member outlives the transfers.
struct CTransferContext
{
    CInternetSession& session;
    CConnectionCache& connections;
    // The options of a context that nobody edits while transfers run (tests, tools). The shared
    // state sets publishedOptions instead, since its window edits the options in place.
    const COptions& options;
    CLogFile& log;
    CStatistics& statistics;
    // Progress steps, messages and login prompts go to the front-end through it.
    CEventPoster& events;
    // Set by the user-interface thread; page reads watch the first, downloads the second.
    const std::atomic<bool>& cancelBrowse;
    const std::atomic<bool>& cancelDownload;
    // How long a page read may take from its request to its last byte.
    std::chrono::seconds pageReadLimit = kPageReadLimit;
    // When set, the options as last published for workers; transfers read these.
    std::function<std::shared_ptr<const COptions>()> publishedOptions = {};
    // When set, the sites whose requests fail in a row; a site given up there is not asked
    // again. Null: no site is ever given up.
    CSiteFailures* siteFailures = nullptr;

    // The options a transfer goes by: the published ones when there are any.
    std::shared_ptr<const COptions> CurrentOptions() const
    {
        if (publishedOptions)
            return publishedOptions();
        return std::shared_ptr<const COptions>(std::shared_ptr<const COptions>(), &options);
    }
};
