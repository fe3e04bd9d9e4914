#include "core/FileSink.h"
#include "core/MemoryTargets.h"
#include "core/SiteSink.h"
#include "core/UrlQueue.h"
#include "core/UrlStore.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace
{
const std::string kUrl = "http://example.com/files/a.zip";

struct CStep
{
    bool add;
    CHolder kind;
};

struct CHoldCase
{
    const char* name;
    std::vector<CStep> steps;
    bool alive;
    bool inTree;
    bool inList;
};

constexpr CStep AddOf(CHolder kind)
{
    return {true, kind};
}
constexpr CStep ReleaseOf(CHolder kind)
{
    return {false, kind};
}
} // namespace

TEST(UrlStore, EntryLivesWhileAnyHolderRemains)
{
    using enum CHolder;
    const std::vector<CHoldCase> cases = {
        {"list, counted, release list",
         {AddOf(FileList), AddOf(Counted), ReleaseOf(FileList)},
         true,
         false,
         false},
        {"...then release counted",
         {AddOf(FileList), AddOf(Counted), ReleaseOf(FileList), ReleaseOf(Counted)},
         false,
         false,
         false},
        {"tree release on a list-only entry",
         {AddOf(FileList), ReleaseOf(Tree)},
         true,
         false,
         true},
        {"list release on a tree-only entry",
         {AddOf(Tree), ReleaseOf(FileList)},
         true,
         true,
         false},
        {"both marks, release tree",
         {AddOf(Tree), AddOf(FileList), ReleaseOf(Tree)},
         true,
         false,
         true},
        {"marks do not count", {AddOf(Tree), AddOf(Tree), ReleaseOf(Tree)}, false, false, false},
        {"counts do", {AddOf(Counted), AddOf(Counted), ReleaseOf(Counted)}, true, false, false},
        {"stray counted release keeps the marked entry",
         {AddOf(FileList), ReleaseOf(Counted), AddOf(Counted), ReleaseOf(FileList)},
         true,
         false,
         false},
        {"release of an unknown URL", {ReleaseOf(Counted), ReleaseOf(Tree)}, false, false, false},
    };
    for (const CHoldCase& test : cases)
    {
        SCOPED_TRACE(test.name);
        const int destroyedBefore = g_destroyedUrls.load();
        bool adopted = false;
        {
            CUrlStore store;
            auto* record = new CCountedUrl(kUrl);
            for (const CStep& step : test.steps)
            {
                if (step.add)
                    adopted = store.Add(step.kind, record).held == record || adopted;
                else
                    store.Release(step.kind, kUrl);
            }
            EXPECT_EQ(store.Find(kUrl) != nullptr, test.alive);
            EXPECT_EQ(store.AllocatedUrls(), test.alive ? 1 : 0);
            EXPECT_EQ(store.IsInTree(kUrl), test.inTree);
            EXPECT_EQ(store.IsInFileList(kUrl), test.inList);
            EXPECT_EQ(g_destroyedUrls.load() - destroyedBefore, adopted && !test.alive ? 1 : 0);
            if (!adopted)
                delete record;
        }
        // The store's destruction takes whatever is left.
        EXPECT_EQ(g_destroyedUrls.load() - destroyedBefore, 1);
    }
}

TEST(UrlStore, SecondRecordForAKnownUrlStaysWithItsCaller)
{
    CUrlStore store;
    auto* first = new CCountedUrl(kUrl);
    CCountedUrl second(kUrl);
    EXPECT_EQ(store.Add(CHolder::Tree, first).marks, kTreeMark);
    const CStoreAdd added = store.Add(CHolder::Counted, &second);
    EXPECT_EQ(added.held, first);
    EXPECT_EQ(store.Add(CHolder::FileList, &second).marks, kTreeMark | kFileListMark);
    EXPECT_EQ(store.AllocatedUrls(), 1);

    // The counted reference went to the first record: releasing the marks keeps it.
    store.Release(CHolder::Tree, second);
    store.Release(CHolder::FileList, second);
    EXPECT_EQ(store.Find(kUrl), first);
    store.Release(CHolder::Counted, second);
    EXPECT_EQ(store.Find(kUrl), nullptr);
    EXPECT_EQ(store.AllocatedUrls(), 0);
}

TEST(UrlQueue, RefusesDuplicatesAndServesLastInFirstOut)
{
    CUrl first("http://h/1.zip"), second("http://h/2.zip"), third("http://h/3.zip");
    CUrl firstAgain("http://h/1.zip");
    CUrlQueue queue;
    EXPECT_TRUE(queue.Add(&first));
    EXPECT_FALSE(queue.Add(&first));
    EXPECT_FALSE(queue.Add(&firstAgain));
    EXPECT_TRUE(queue.Add(&second));
    EXPECT_TRUE(queue.Add(&third));
    EXPECT_EQ(queue.Count(), 3u);

    CUrl* item = nullptr;
    ASSERT_TRUE(queue.ItemAt(0, item));
    EXPECT_EQ(item, &first);
    EXPECT_FALSE(queue.ItemAt(3, item));

    std::vector<CUrl*> popped;
    while (queue.Pop(item))
        popped.push_back(item);
    EXPECT_EQ(popped, (std::vector<CUrl*>{&third, &second, &first}));
    EXPECT_EQ(queue.Count(), 0u);
    // A popped URL may be queued again.
    EXPECT_TRUE(queue.Add(&firstAgain));
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

    auto* record = new CUrl(kUrl);
    bool owned = false;
    ASSERT_TRUE(sink.AddLocked(*record, &owned));
    EXPECT_TRUE(owned);
    EXPECT_TRUE(store.IsInFileList(kUrl));

    CUrl again(kUrl);
    EXPECT_FALSE(sink.AddLocked(again, &owned));
    EXPECT_FALSE(owned);
    EXPECT_EQ(list.Items().size(), 1u);

    // Held elsewhere (a queued file): the list shows it again, the queued record stays the one.
    store.Add(CHolder::Counted, record);
    list.RemoveAll(store);
    EXPECT_TRUE(sink.AddLocked(again, &owned));
    EXPECT_FALSE(owned);
    EXPECT_EQ(store.Find(kUrl), record);
    EXPECT_TRUE(store.IsInFileList(kUrl));
}

TEST(FileSink, RefusedInsertOrBusyLockLeavesTheStoreAlone)
{
    CUrlStore store;
    CMemoryFileList list;
    CFileSink sink(store);
    CUrl record(kUrl);
    EXPECT_FALSE(sink.AddLocked(record)); // no target bound yet
    sink.SetTarget(&list);
    list.m_refuse = true;
    EXPECT_FALSE(sink.AddLocked(record));
    EXPECT_EQ(store.AllocatedUrls(), 0);

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

    auto* site = new CUrl("http://h/");
    ASSERT_TRUE(sink.AddLocked(*site));
    const CTreeNodeId siteNode = site->m_treeItem;
    EXPECT_NE(siteNode, kNoTreeNode);

    // A page already held by a queue under another record: the node belongs to the held one.
    auto* queued = new CUrl("http://h/page.htm");
    store.Add(CHolder::Counted, queued);
    CUrl page("http://h/page.htm");
    page.m_parentItem = siteNode;
    bool owned = true;
    ASSERT_TRUE(sink.AddLocked(page, &owned));
    EXPECT_FALSE(owned);
    EXPECT_EQ(queued->m_treeItem.load(), page.m_treeItem.load());
    const auto nodes = tree.Nodes();
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0].parent, kNoTreeNode);
    EXPECT_EQ(nodes[1].parent, siteNode);
    EXPECT_FALSE(sink.AddLocked(page));

    tree.m_refuse = true;
    CUrl other("http://h/other.htm");
    EXPECT_FALSE(sink.AddLocked(other));
    EXPECT_FALSE(store.IsInTree(other.m_url));
    EXPECT_EQ(store.AllocatedUrls(), 2);
}
