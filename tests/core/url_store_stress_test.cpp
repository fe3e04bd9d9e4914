#include "core/FileSink.h"
#include "core/SiteSink.h"
#include "core/UrlQueue.h"
#include "core/UrlStore.h"
#include "support/MemoryViews.h"
#include "support/StoreHolds.h"

#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

// Browse-like threads find the same URLs over and over, show them in the tree and the list and
// queue them; download-like threads pop, sometimes hand a file back to the list, and release;
// a GUI-like thread clears the list and the tree under their locks. When all is drained no
// record may be left and every record made must have been destroyed exactly once.
TEST(UrlStoreStress, SharedUrlsEndWithNothingAllocated)
{
    constexpr int kUrls = 40;
    constexpr int kBrowsers = 3;
    constexpr int kDownloaders = 2;
    constexpr int kRounds = 20000;

    std::vector<std::string> urls;
    for (int i = 0; i < kUrls; ++i)
        urls.push_back("http://host" + std::to_string(i % 4) + "/f" + std::to_string(i) + ".zip");

    const int destroyedBefore = g_destroyedUrls.load();
    std::atomic<int> created{0};
    CUrlStore store;
    CUrlQueue downloads;
    CMemoryFileList list;
    CMemorySiteTree tree;
    CMemoryViews views(&list, &tree);
    CEventPoster events;
    events.Install(&views);
    CFileSink files(store, events);
    CSiteSink sites(store, events);
    std::atomic<bool> browsing{true};

    auto browse = [&](int seed)
    {
        for (int round = 0; round < kRounds; ++round)
        {
            const std::string& url = urls[(round * 7 + seed * 13) % kUrls];
            CUrlHold hold = store.Add(std::make_unique<CCountedUrl>(url));
            created.fetch_add(1);
            if (round % 5 == 0)
            {
                // Held only while the list takes it.
                files.AddLocked(hold);
                continue;
            }
            if (round % 3 == 0)
                sites.AddLocked(hold);
            if (round % 2 == 0)
                files.AddLocked(hold);
            downloads.Add(store.Hold(url));
        }
    };
    auto download = [&](bool handBack)
    {
        CUrlHold record;
        while (browsing.load() || downloads.Count() > 0)
        {
            if (!downloads.Pop(record))
            {
                std::this_thread::yield();
                continue;
            }
            EXPECT_EQ(store.Find(record->m_url), record.Get());
            if (handBack)
                files.AddLocked(record);
            record.Reset();
        }
    };
    auto clearGui = [&]
    {
        {
            CSinkLock lock(files);
            for (const auto& [url, size] : list.Items())
                EXPECT_TRUE(store.IsInFileList(url));
            list.RemoveAll(store);
        }
        CSinkLock lock(sites);
        tree.RemoveAll(store);
    };

    std::vector<std::thread> threads;
    for (int i = 0; i < kBrowsers; ++i)
        threads.emplace_back(browse, i);
    for (int i = 0; i < kDownloaders; ++i)
        threads.emplace_back(download, i == 0);
    std::thread gui(
        [&]
        {
            while (browsing.load())
            {
                clearGui();
                std::this_thread::yield();
            }
        });
    for (int i = 0; i < kBrowsers; ++i)
        threads[i].join();
    browsing = false;
    for (auto& thread : threads)
        if (thread.joinable())
            thread.join();
    gui.join();
    clearGui();

    EXPECT_EQ(downloads.Count(), 0u);
    EXPECT_EQ(list.m_duplicates.load(), 0);
    EXPECT_EQ(store.AllocatedUrls(), 0);
    EXPECT_EQ(g_destroyedUrls.load() - destroyedBefore, created.load());
}
