#include "crawl/SitemapFetch.h"

#include "net/Transfer.h"
#include "platform/Statistics.h"
#include "url/Url.h"

CSitemapFile FetchSitemap(const std::string& url, const CTransferContext& context,
                          const std::atomic<bool>& cancel, const CSitemapLimits& limits)
{
    CSitemapFile file;
    CUrl record(url);
    CTransfer transfer(context, &cancel);
    transfer.SetTimeLimit(context.pageReadLimit);
    if (!transfer.OpenWithLogin(record, false))
    {
        file.problem = transfer.Problem().empty() ? "not read" : transfer.Problem();
        return file;
    }
    CSitemapReader reader(limits);
    char block[16 * 1024];
    std::uint64_t received = 0;
    for (;;)
    {
        const std::int64_t count = transfer.Read(block, sizeof block);
        if (count < 0)
        {
            file.problem = transfer.Problem().empty() ? "the read stopped" : transfer.Problem();
            break;
        }
        if (count == 0)
        {
            reader.Finish();
            break;
        }
        context.statistics.m_receivedBytes.fetch_add(static_cast<std::uint64_t>(count),
                                                     std::memory_order_relaxed);
        received += static_cast<std::uint64_t>(count);
        if (received > limits.maxBytes)
        {
            file.problem =
                "it is larger than " + std::to_string(limits.maxBytes / (1024 * 1024)) + " MB";
            break;
        }
        if (!reader.Feed(std::string_view(block, static_cast<std::size_t>(count))))
            break;
    }
    if (file.problem.empty())
        file.problem = reader.Problem();
    file.pages = reader.Pages();
    file.sitemaps = reader.Sitemaps();
    return file;
}
