#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <utility>

// Messages posted to the main frame. 1123 is the user-message base plus 0x63.
inline constexpr std::uint32_t WM_START_DOWNLOADS = 1123; // wParam 0: start download workers
inline constexpr std::uint32_t WM_SET_STATUS = 1124;      // wParam: a STATUS_ kind
inline constexpr std::uint32_t WM_SITE_IMAGE = 1126;      // wParam: tree image of the page
inline constexpr std::uint32_t WM_PROGRESS_STEP = 1127;   // wParam: step in percent, -1 clears
inline constexpr std::uint32_t WM_STATS_CLOSED = 1129;    // the statistics window went away
// These two go to the upgrade download dialog, never to the main frame.
inline constexpr std::uint32_t WM_UPGRADE_PROGRESS = 1130; // wParam: percent received
inline constexpr std::uint32_t WM_UPGRADE_DONE = 1131;     // wParam: 1 success, 0 failure
// wParam: a DOWNLOAD_ state of the file in payload.download. Running files report at most a
// few times a second.
inline constexpr std::uint32_t WM_DOWNLOAD_STATE = 1132;
// The frame shuts down as if the user had closed it: the work is done and nobody waits.
inline constexpr std::uint32_t WM_CLOSE_PROGRAM = 1133;

// Kinds of WM_SET_STATUS, carried in wParam.
inline constexpr std::int64_t STATUS_TEXT = 0;      // payload text: the new status text
inline constexpr std::int64_t STATUS_BROWSERS = 2;  // payload value: the running-browse count
inline constexpr std::int64_t STATUS_DOWNLOADS = 3; // the receiver recomputes the pending count
// payload text: why the crawl stopped early; shown as the status text, and said once.
inline constexpr std::int64_t STATUS_STOPPED = 4;

// The states of a file queued for download, carried in the wParam of WM_DOWNLOAD_STATE.
inline constexpr std::int64_t DOWNLOAD_QUEUED = 0;
inline constexpr std::int64_t DOWNLOAD_RUNNING = 1;
inline constexpr std::int64_t DOWNLOAD_DONE = 2;
inline constexpr std::int64_t DOWNLOAD_SKIPPED = 3;
inline constexpr std::int64_t DOWNLOAD_FAILED = 4;
inline constexpr std::int64_t DOWNLOAD_CANCELLED = 5;
// A cancel gave the queued file back to the file list.
inline constexpr std::int64_t DOWNLOAD_RETURNED = 6;

// One file's download as WM_DOWNLOAD_STATE reports it; the file is known by its URL text.
struct CDownloadReport
{
    std::string url;
    // Where it goes (while running, and after a failure: the name a later attempt continues)
    // or went (done).
    std::string path;
    // Skipped and failed: why, as the log line says it.
    std::string reason;
    std::uint64_t received = 0; // bytes of the file on disk, kept ones included
    std::int64_t total = -1;    // the file's length; -1 while not known
};

// What a message carries beside its wParam. Values only: a receiver on another thread never
// sees a pointer into a shared record.
struct CFramePayload
{
    std::int64_t value = 0;    // STATUS_BROWSERS: the running-browse count
    std::string text;          // STATUS_TEXT: the status text; WM_SITE_IMAGE: the page's URL
    std::int32_t pageKind = 2; // WM_SITE_IMAGE: the page kind of the page record (kPageKind*)
    // WM_DOWNLOAD_STATE: the report, never changed once posted.
    std::shared_ptr<const CDownloadReport> download;

    static CFramePayload Text(std::string text)
    {
        CFramePayload payload;
        payload.text = std::move(text);
        return payload;
    }
    static CFramePayload Value(std::int64_t value)
    {
        CFramePayload payload;
        payload.value = value;
        return payload;
    }
    static CFramePayload Download(CDownloadReport report)
    {
        CFramePayload payload;
        payload.download = std::make_shared<const CDownloadReport>(std::move(report));
        return payload;
    }
    static CFramePayload Page(std::string url, std::int32_t pageKind)
    {
        CFramePayload payload;
        payload.text = std::move(url);
        payload.pageKind = pageKind;
        return payload;
    }
};

struct CFrameMessage
{
    std::uint32_t message = 0;
    std::int64_t wParam = 0;
    CFramePayload payload;
};

// Receives the messages for the main frame; the GUI queues them to its own thread.
// Thread contract: called on any thread, must not block.
class CFrameMessageSink
{
public:
    virtual ~CFrameMessageSink() = default;
    virtual void Deliver(CFrameMessage message) = 0;
};

// The one way for any thread to notify the main frame. A member of the shared state; until
// the GUI installs a sink, posts are dropped.
class CFramePoster
{
public:
    // Installs (or, with nullptr, removes) the sink. Once it returns, no post reaches the old
    // sink any more, so the GUI may destroy it.
    void InstallSink(CFrameMessageSink* sink)
    {
        std::unique_lock lock(m_mutex);
        m_sink = sink;
    }

    // Posts, never sends: the sink only queues the message. Any thread.
    void PostToMainFrame(std::uint32_t message, std::int64_t wParam = 0, CFramePayload payload = {})
    {
        std::shared_lock lock(m_mutex);
        if (m_sink != nullptr)
            m_sink->Deliver(CFrameMessage{message, wParam, std::move(payload)});
    }

private:
    // Shared by posters; held exclusively only while the sink changes.
    std::shared_mutex m_mutex;
    CFrameMessageSink* m_sink = nullptr;
};
