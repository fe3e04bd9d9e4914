#include "core/FileSink.h"
#include "core/SiteSink.h"
#include "core/UrlQueue.h"
#include "core/UrlStore.h"
#include "support/MemoryViews.h"
#include "support/StoreHolds.h"

#include <atomic>
#include <cctype>
#include <chrono>
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

// A decided record that goes (a file downloaded or removed from the list, a page removed from
// the tree) leaves its decision and its page in the journal; an undecided one leaves nothing.
TEST(UrlStore, ARecordThatGoesKeepsItsDecision)
{
    CDecisionJournal journal;
    CUrlStore store;
    store.KeepDecisionsIn(&journal);
    CDecision listed;
    listed.verdict = CVerdict::Listed;
    listed.reason = CReason::FileType;
    {
        auto record = std::make_unique<CUrl>(kUrl);
        record->SetReferer(std::make_shared<const std::string>("http://example.com/files/"));
        CUrlHold hold = store.Add(std::move(record));
        hold->m_decision.Set(listed);
        store.Mark(CHolder::FileList, kUrl);
        hold.Reset();
        EXPECT_FALSE(journal.Find(kUrl).has_value()) << "still listed";
        store.Release(CHolder::FileList, kUrl);
    }
    const std::optional<CLinkExplanation> kept = journal.Find(kUrl);
    ASSERT_TRUE(kept.has_value());
    EXPECT_EQ(kept->decision.verdict, CVerdict::Listed);
    EXPECT_EQ(kept->decision.reason, CReason::FileType);
    EXPECT_EQ(kept->foundOn, "http://example.com/files/");

    const std::string undecided = "http://example.com/files/b.zip";
    store.Add(std::make_unique<CUrl>(undecided)).Reset();
    EXPECT_FALSE(journal.Find(undecided).has_value());
    EXPECT_EQ(journal.Size(), 1u);
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
    CMemoryViews views(&list, nullptr);
    CEventPoster events;
    events.Install(&views);
    CFileSink sink(store, events);

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

TEST(FileSink, UnlistedRecordsLeaveTheStoreAlone)
{
    CUrlStore store;
    CMemoryFileList list;
    CMemoryViews views(&list, nullptr);
    CEventPoster events;
    CFileSink sink(store, events);
    const CUrlHold record = HoldNew(store, kUrl);
    EXPECT_FALSE(sink.AddLocked(record)); // no front-end listens yet
    events.Install(&views);
    EXPECT_FALSE(sink.AddLocked(CUrlHold{}));
    sink.SetLimit(0);
    EXPECT_FALSE(sink.AddLocked(record)); // the list is full
    EXPECT_FALSE(store.IsInFileList(kUrl));
    EXPECT_TRUE(list.Items().empty());
}

// A command of the window holds a sink's lock (a long sort or export): the worker's add waits
// for it, however long, and then shows the record; nothing is dropped.
TEST(UrlSink, AnAddWaitsForACommandHoldingTheLock)
{
    CUrlStore store;
    CMemoryFileList list;
    CMemorySiteTree tree;
    CMemoryViews views(&list, &tree);
    CEventPoster events;
    events.Install(&views);
    CFileSink files(store, events);
    CSiteSink sites(store, events);
    const CUrlHold record = HoldNew(store, kUrl);
    for (CUrlSink* sink : std::initializer_list<CUrlSink*>{&files, &sites})
    {
        std::atomic<bool> added{false};
        std::thread worker;
        {
            CSinkLock command(*sink);
            worker = std::thread(
                [&]
                { added = sink == &files ? files.AddLocked(record) : sites.AddLocked(record); });
            // Longer than any wait ever was.
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            EXPECT_FALSE(added.load());
        }
        worker.join();
        EXPECT_TRUE(added.load());
    }
    EXPECT_EQ(list.Items().size(), 1u);
    EXPECT_EQ(tree.Nodes().size(), 1u);
    EXPECT_TRUE(store.IsInFileList(kUrl));
    EXPECT_TRUE(store.IsInTree(kUrl));
}

TEST(SiteSink, InsertsUnderTheParentsUrlAndMarksTheHeldRecord)
{
    CUrlStore store;
    CMemorySiteTree tree(&store);
    CMemoryViews views(nullptr, &tree);
    CEventPoster events;
    events.Install(&views);
    CSiteSink sink(store, events);

    const CUrlHold site = HoldNew(store, "http://h/");
    ASSERT_TRUE(sink.AddLocked(site));
    EXPECT_TRUE(store.IsInTree(site->m_url));

    // A page already held by a queue under another record: the mark goes on the held entry.
    const CUrlHold queued = HoldNew(store, "http://h/page.htm");
    const CUrlHold page = HoldNew(store, "http://h/page.htm");
    ASSERT_TRUE(page.IsStandIn());
    ASSERT_TRUE(sink.AddLocked(page, site->m_url));
    EXPECT_TRUE(store.IsInTree(queued->m_url));
    const auto nodes = tree.Nodes();
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0].parent, "");
    EXPECT_EQ(nodes[1].parent, site->m_url);
    EXPECT_FALSE(sink.AddLocked(page, site->m_url));

    // Under a parent the tree does not show: the tree refuses the node and gives the mark back.
    const CUrlHold other = HoldNew(store, "http://h/other.htm");
    EXPECT_TRUE(sink.AddLocked(other, "http://h/gone.htm"));
    EXPECT_FALSE(store.IsInTree(other->m_url));
    EXPECT_EQ(tree.Nodes().size(), 2u);
    EXPECT_EQ(store.AllocatedUrls(), 3);
    // Given back, the URL can be shown again.
    EXPECT_TRUE(sink.AddLocked(other, site->m_url));
    EXPECT_TRUE(store.IsInTree(other->m_url));
}
