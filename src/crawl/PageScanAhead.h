#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// The links of a page as its scan found them, resolved, and what the scan was made of: the
// page's text, the address its links resolve against and the keywords. The page's turn acts on
// them only when all three are still what the turn has.
struct CScannedPage
{
    struct CLink
    {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
        bool resolved = false; // false: the value could not be resolved and is passed over
    };

    std::string text;
    std::string hereUrl;
    std::vector<std::string> keywords;

    // Each value, resolved when it could be, end to end in page order; at most one past the
    // page's link limit, since the scan ends there.
    std::string values;
    std::vector<CLink> links;
    // The number of links before which the first keyword was met; none when it was not.
    std::size_t keywordHitAt = kNoKeyword;
    static constexpr std::size_t kNoKeyword = static_cast<std::size_t>(-1);

    bool Fits(std::string_view pageText, std::string_view here,
              std::span<const std::string> pageKeywords) const;
    std::string_view Value(const CLink& link) const
    {
        return std::string_view(values).substr(link.offset, link.length);
    }
};

// A second thread that scans, ahead of their turn, the pages of a crawl whose answers are all
// in, while the browse thread works on an earlier page. Only the scan moves: the page's links
// are still acted on in the list's order, on the browse thread. A page whose turn comes before
// its scan started is scanned by the browse thread itself, so the browse never waits for a page
// that nobody works on.
class CPageScanAhead
{
public:
    // cancel ends a scan under way; its page is then scanned again in its turn, if at all.
    explicit CPageScanAhead(const std::atomic<bool>& cancel);
    ~CPageScanAhead();
    CPageScanAhead(const CPageScanAhead&) = delete;
    CPageScanAhead& operator=(const CPageScanAhead&) = delete;

    // Queues the scan of the page at position of the crawl list.
    void Submit(std::size_t position, std::string_view text, std::string hereUrl,
                std::span<const std::string> keywords);
    // The scan of the page at position, once it is done; nullptr when none was queued for it or
    // it has not started (the caller scans itself). Drops the scans of earlier positions.
    std::unique_ptr<CScannedPage> Take(std::size_t position);
    // Drops every scan; one under way is waited for.
    void Clear();

private:
    enum class EState
    {
        kQueued,
        kScanning,
        kDone,
        kCut, // stopped by the cancel flag: not the whole page
    };
    struct CJob
    {
        std::size_t position = 0;
        EState state = EState::kQueued;
        std::unique_ptr<CScannedPage> page;
    };

    void Run();
    void Scan(CScannedPage& page) const;

    const std::atomic<bool>& m_cancel;
    std::mutex m_mutex;
    std::condition_variable m_work;
    std::condition_variable m_done;
    std::vector<CJob> m_jobs;
    bool m_stop = false;
    bool m_idle = false;
    bool m_awaited = false;
    std::thread m_thread;
};
