#pragma once

#include "core/TrawlerCore.h"
#include "crawl/BrowseEngine.h"
#include "crawl/TestSite.h"
#include "net/RetryPolicy.h"
#include "net/SiteBackoff.h"
#include "settings/ModeData.h"
#include "support/MemoryViews.h"
#include "support/RecordingObserver.h"
#include "support/StoreHolds.h"
#include "support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <mutex>
#include <vector>

// A core with in-memory tree and list, a working directory of its own and a real session.
class CCrawlTest : public testing::Test
{
protected:
    void SetUp() override
    {
        // Retries wait milliseconds, not seconds; no site is held off from an earlier test.
        SetBackoffScaleForTests(0.01);
        CSiteBackoff::Shared().Clear();
        m_core = std::make_unique<CTrawlerCore>(m_dir.Path().string(), m_dir.File("hvstr.log"));
        ASSERT_TRUE(m_core->OpenSession("Hvstr152"));
        m_core->m_options.SetDefaults();
        m_core->PublishOptions();
        m_core->m_events.Install(&m_views);
    }

    void TearDown() override
    {
        m_core->m_events.Install(nullptr);
        m_core.reset();
    }

    // Adds the site to the tree and browses it with mode number modeNumber (or a given mode),
    // then waits until the crawl has ended.
    // One page at a time, so the server sees the requests in the crawl's order (pages in
    // flight give the same requests in an order of their own; see pages_in_flight_test).
    void Crawl(const std::string& url, int modeNumber)
    {
        auto mode = GetMode(modeNumber, m_core->m_options);
        mode->m_reserved = 1;
        Crawl(url, std::move(mode));
    }
    void Crawl(const std::string& url, std::unique_ptr<CModeData> mode)
    {
        CUrlHold site = m_core->m_urlStore.Add(m_core->NewRecord(url));
        m_core->m_sites.AddLocked(site);
        StartBrowse(*m_core, std::move(site), std::move(mode));
        ASSERT_TRUE(WaitForBrowseThreads(*m_core, std::chrono::seconds(60)));
    }

    std::unique_ptr<CModeData> Mode(int local, bool parents, bool external,
                                    std::uint32_t externalMax, int depth)
    {
        auto mode = std::make_unique<CModeData>();
        mode->m_localFollowMax = local;
        mode->m_followParentSites = parents;
        mode->m_autoFollowExternal = external;
        mode->m_externalFollowMax = externalMax;
        mode->m_maxDepth = depth;
        mode->m_reserved = 1;
        return mode;
    }

    std::vector<std::string> TreeUrls()
    {
        std::vector<std::string> urls;
        for (const auto& node : m_tree.Nodes())
            urls.push_back(node.url);
        std::sort(urls.begin(), urls.end());
        return urls;
    }
    std::vector<std::string> ListUrls()
    {
        std::vector<std::string> urls;
        for (const auto& [url, size] : m_list.Items())
            urls.push_back(url);
        return urls;
    }
    // Takes everything out of the tree and the list, as the user's Remove commands do.
    void ClearViews()
    {
        m_tree.RemoveAll(m_core->m_urlStore);
        m_list.RemoveAll(m_core->m_urlStore);
    }

    CTempDir m_dir;
    CMemoryFileList m_list;
    CMemorySiteTree m_tree;
    CRecordingObserver m_frame;
    CMemoryViews m_views{&m_list, &m_tree, &m_frame};
    std::unique_ptr<CTrawlerCore> m_core;
};
