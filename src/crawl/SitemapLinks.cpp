#include "core/TrawlerCore.h"
#include "crawl/SiteBrowser.h"
#include "crawl/SitemapFetch.h"
#include "url/Url.h"

#include <deque>
#include <set>

namespace
{

// Addresses taken from all the sitemaps of one browse; the rest are skipped.
constexpr std::size_t kMaxSitemapPages = 1000000;
// Sitemap files read by one browse: an index may name thousands, each a request.
constexpr std::size_t kMaxSitemapFiles = 1000;

} // namespace

void CSiteBrowser::ReadSitemaps(const CUrl& page, CUrlQueue& localQueue, CUrlQueue& externalQueue)
{
    // A mode that reads no page of the site beyond the start page has no use for its map.
    if (!m_options->m_readSitemap || m_mode.m_localFollowMax <= 0 ||
        (page.m_serviceType != kServiceHttp && page.m_serviceType != kServiceHttps))
        return;
    std::deque<std::string> files;
    std::set<std::string> named;
    const auto add = [&](const CUrl& base, std::string url)
    {
        if (ResolveLink(base, url) && HasTransferScheme(url) && named.insert(url).second)
            files.push_back(std::move(url));
    };
    for (const std::string& sitemap : m_robots.AnswerFor(page, *m_options).rules->Sitemaps())
        add(page, sitemap);
    if (files.empty())
        add(page, SiteRootOf(page) + "/sitemap.xml");

    std::size_t filesRead = 0;
    std::size_t taken = 0;
    const CTransferContext& context = m_core.TransferContext();
    while (!files.empty() && !m_core.m_cancelBrowse && !ReachedBound())
    {
        if (filesRead == kMaxSitemapFiles)
        {
            m_core.m_log.Write("Skipped the sitemaps of %s after the first %zu\n",
                               page.m_url.c_str(), kMaxSitemapFiles);
            break;
        }
        ++filesRead;
        const std::string url = std::move(files.front());
        files.pop_front();
        m_core.m_log.Write("Reading sitemap %s\n", url.c_str());
        CSitemapFile file = FetchSitemap(url, context, m_core.m_cancelBrowse);
        if (!file.problem.empty())
            m_core.m_log.Write("Sitemap %s: %s\n", url.c_str(), file.problem.c_str());
        const CUrl base(url);
        for (std::string& sitemap : file.sitemaps)
            add(base, std::move(sitemap));
        for (std::string& value : file.pages)
        {
            if (m_core.m_cancelBrowse || m_stoppedAtBound)
                break;
            if (taken++ == kMaxSitemapPages)
            {
                m_core.m_log.Write("Skipped the sitemap addresses of %s after the first %zu\n",
                                   page.m_url.c_str(), kMaxSitemapPages);
                files.clear();
                break;
            }
            if (ResolveLink(base, value))
                HandleResolvedLink(value, page, localQueue, externalQueue, &url);
        }
    }
    AskTypes(page);
}
