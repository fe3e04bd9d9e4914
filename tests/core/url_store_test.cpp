#include "core/FileSink.h"
#include "core/MemoryTargets.h"
#include "core/SiteSink.h"
#include "core/UrlQueue.h"
#include "core/UrlStore.h"
#include "support/StoreHolds.h"

#include <cctype>
#include <deque>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace
{
const std::string kUrl = "http://example.com/files/a.zip";

CUrlHold HoldCounted(CUrlStore& store, const std::string& url)
{
    return store.Add(std::make_unique<CCountedUrl>(url));
}

struct CHoldCase
{
    const char* name;
    // H takes a hold (the first one makes the record), h gives up the earliest; T and L mark
    // the entry for the tree and the list, t and l take the marks off.
    const char* steps;
    bool alive;
    bool inTree;
    bool inList;
};
} // namespace

TEST(UrlStore, EntryLivesWhileAnyHolderRemains)
{
    const std::vector<CHoldCase> cases = {
        {"a mark outlives the hold that made the entry", "HLh", true, false, true},
        {"list, held, release list", "HLhHl", true, false, false},
        {"...then give up the hold", "HLhHlh", false, false, false},
        {"tree release on a list-only entry", "HLht", true, false, true},
        {"list release on a tree-only entry", "HThl", true, true, false},
        {"both marks, release tree", "HTLht", true, false, true},
        {"marks do not count", "HTTht", false, false, false},
        {"holds do", "HHh", true, false, false},
        {"no mark without an entry", "L", false, false, false},
        {"release of an unknown URL", "tl", false, false, false},
    };
    for (const CHoldCase& test : cases)
    {
        SCOPED_TRACE(test.name);
        const int destroyedBefore = g_destroyedUrls.load();
        bool made = false;
        {
            CUrlStore store;
            std::deque<CUrlHold> holds;
            for (const char* step = test.steps; *step != 0; ++step)
            {
                switch (*step)
                {
                case 'H':
                    holds.push_back(made ? store.Hold(kUrl) : HoldCounted(store, kUrl));
                    made = true;
                    break;
                case 'h':
                    holds.pop_front();
                    break;
                default:
                    const CHolder kind =
                        std::tolower(*step) == 't' ? CHolder::Tree : CHolder::FileList;
                    if (std::isupper(*step))
                        store.Mark(kind, kUrl);
                    else
                        store.Release(kind, kUrl);
                }
            }
            EXPECT_EQ(store.Find(kUrl) != nullptr, test.alive);
            EXPECT_EQ(store.AllocatedUrls(), test.alive ? 1 : 0);
            EXPECT_EQ(store.IsInTree(kUrl), test.inTree);
            EXPECT_EQ(store.IsInFileList(kUrl), test.inList);
            EXPECT_EQ(g_destroyedUrls.load() - destroyedBefore, made && !test.alive ? 1 : 0);
            holds.clear();
        }
        // The store's destruction takes whatever is left.
        EXPECT_EQ(g_destroyedUrls.load() - destroyedBefore, made ? 1 : 0);
    }
}

TEST(UrlStore, SecondRecordForAKnownUrlIsItsCallersStandIn)
{
    CUrlStore store;
    HoldCounted(store, kUrl);
    EXPECT_EQ(store.Find(kUrl), nullptr) << "a dropped hold lets an unmarked record go";
    {
        const CUrlHold first = HoldCounted(store, kUrl);
        EXPECT_FALSE(first.IsStandIn());
        EXPECT_EQ(store.Mark(CHolder::Tree, kUrl), first.Get());
    }
    CUrl* older = store.Find(kUrl);
    const int destroyedBefore = g_destroyedUrls.load();
    {
        CUrlHold second = HoldCounted(store, kUrl);
        EXPECT_TRUE(second.IsStandIn());
        EXPECT_NE(second.Get(), older);
        EXPECT_EQ(store.AllocatedUrls(), 1);
        // The hold counts on the entry: taking the mark off keeps the older record.
        store.Release(CHolder::Tree, kUrl);
        EXPECT_EQ(store.Find(kUrl), older);
        const CUrlHold moved = std::move(second);
        EXPECT_FALSE(second);
        EXPECT_EQ(g_destroyedUrls.load(), destroyedBefore);
    }
    // The stand-in and the older record went with the one hold.
    EXPECT_EQ(g_destroyedUrls.load() - destroyedBefore, 2);
    EXPECT_EQ(store.Find(kUrl), nullptr);
    EXPECT_EQ(store.AllocatedUrls(), 0);
}

TEST(UrlQueue, RefusesDuplicatesAndServesLastInFirstOut)
{
    CUrlStore store;
    CUrlQueue queue;
    EXPECT_TRUE(queue.Add(HoldNew(store, "http://h/1.zip")));
    EXPECT_FALSE(queue.Add(store.Hold("http://h/1.zip")));
    EXPECT_FALSE(queue.Add(HoldNew(store, "http://h/1.zip")));
    EXPECT_TRUE(queue.Add(HoldNew(store, "http://h/2.zip")));
    EXPECT_TRUE(queue.Add(HoldNew(store, "http://h/3.zip")));
    EXPECT_EQ(queue.Count(), 3u);
    EXPECT_EQ(store.AllocatedUrls(), 3) << "refused holds are given back";

    CUrl* item = nullptr;
    ASSERT_TRUE(queue.ItemAt(0, item));
    EXPECT_EQ(item->m_url, "http://h/1.zip");
    EXPECT_FALSE(queue.ItemAt(3, item));

    std::vector<std::string> popped;
    for (CUrlHold hold; queue.Pop(hold);)
        popped.push_back(hold->m_url);
    EXPECT_EQ(popped,
              (std::vector<std::string>{"http://h/3.zip", "http://h/2.zip", "http://h/1.zip"}));
    EXPECT_EQ(queue.Count(), 0u);
    EXPECT_EQ(store.AllocatedUrls(), 0);

    // A popped URL may be queued again; a taken-out one keeps its place and stays refused.
    EXPECT_TRUE(queue.Add(HoldNew(store, "http://h/1.zip")));
    EXPECT_TRUE(queue.Add(HoldNew(store, "http://h/2.zip")));
    CUrlHold taken = queue.TakeAt(0);
    ASSERT_TRUE(taken);
    EXPECT_FALSE(queue.ItemAt(0, item));
    EXPECT_FALSE(queue.Add(store.Hold("http://h/1.zip")));
    EXPECT_EQ(queue.Count(), 2u);
    taken.Reset();
    queue.Clear();
    EXPECT_EQ(store.AllocatedUrls(), 0);
    EXPECT_TRUE(queue.Add(HoldNew(store, "http://h/1.zip")));
}

TEST(FileSink, SizeColumnFollowsTheSizeState)
{
    struct
    {
        std::int32_t state;
        std::uint32_t size;
        const char* text;
    } const cases[] = {
        {kSizeNotAsked, 0, ""},
        {kSizeNotGiven, 0, "<Unknown>"},
        {kSizeKnown, 1536, "1536"},
        {kSizeKnown, 3'000'000'000u, "3000000000"},
    };
    for (const auto& test : cases)
    {
        CUrl record(kUrl);
        record.m_sizeState = test.state;
        record.m_size = test.size;
        EXPECT_EQ(CFileSink::SizeText(record), test.text);
    }
}

TEST(FileSink, ShowsEachUrlOnceAndMarksItInTheStore)
{
    CUrlStore store;
    CMemoryFileList list;
    CFileSink sink(store);
    sink.SetTarget(&list);

    ASSERT_TRUE(sink.AddLocked(HoldNew(store, kUrl)));
    EXPECT_TRUE(store.IsInFileList(kUrl));
    CUrl* listed = store.Find(kUrl);
    ASSERT_NE(listed, nullptr) << "the mark keeps the record";

    const CUrlHold again = HoldNew(store, kUrl);
    EXPECT_FALSE(sink.AddLocked(again));
    EXPECT_EQ(list.Items().size(), 1u);

    // Held elsewhere (a queued file): the list shows it again, the held record stays the one.
    list.RemoveAll(store);
    EXPECT_TRUE(sink.AddLocked(again));
    EXPECT_EQ(store.Find(kUrl), listed);
    EXPECT_TRUE(store.IsInFileList(kUrl));
}

TEST(FileSink, RefusedInsertOrBusyLockLeavesTheStoreAlone)
{
    CUrlStore store;
    CMemoryFileList list;
    CFileSink sink(store);
    const CUrlHold record = HoldNew(store, kUrl);
    EXPECT_FALSE(sink.AddLocked(record)); // no target bound yet
    sink.SetTarget(&list);
    list.m_refuse = true;
    EXPECT_FALSE(sink.AddLocked(record));
    EXPECT_FALSE(sink.AddLocked(CUrlHold{}));
    EXPECT_FALSE(store.IsInFileList(kUrl));

    // A command of the list holds the lock: the worker's add gives up.
    list.m_refuse = false;
    ASSERT_TRUE(sink.Lock());
    bool added = true;
    std::thread worker([&] { added = sink.AddLocked(record); });
    worker.join();
    sink.Unlock();
    EXPECT_FALSE(added);
    EXPECT_TRUE(list.Items().empty());
}

TEST(SiteSink, InsertsUnderTheParentAndRecordsTheNode)
{
    CUrlStore store;
    CMemorySiteTree tree;
    CSiteSink sink(store);
    sink.SetTarget(&tree);

    const CUrlHold site = HoldNew(store, "http://h/");
    ASSERT_TRUE(sink.AddLocked(site));
    const CTreeNodeId siteNode = site->m_treeItem;
    EXPECT_NE(siteNode, kNoTreeNode);

    // A page already held by a queue under another record: the node belongs to the held one.
    const CUrlHold queued = HoldNew(store, "http://h/page.htm");
    const CUrlHold page = HoldNew(store, "http://h/page.htm");
    ASSERT_TRUE(page.IsStandIn());
    page->m_parentItem = siteNode;
    ASSERT_TRUE(sink.AddLocked(page));
    EXPECT_EQ(queued->m_treeItem.load(), page->m_treeItem.load());
    const auto nodes = tree.Nodes();
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0].parent, kNoTreeNode);
    EXPECT_EQ(nodes[1].parent, siteNode);
    EXPECT_FALSE(sink.AddLocked(page));

    tree.m_refuse = true;
    const CUrlHold other = HoldNew(store, "http://h/other.htm");
    EXPECT_FALSE(sink.AddLocked(other));
    EXPECT_FALSE(store.IsInTree(other->m_url));
    EXPECT_EQ(store.AllocatedUrls(), 3);
}
