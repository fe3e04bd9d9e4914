#include "LeBytes.h"
#include "settings/HistoryFile.h"
#include "settings/TSList.h"
#include "support/TempDir.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace
{
// Field order: year, month, day of week, day, hour, minute, second, milliseconds.
const CCalendarTime kTime2001{2001, 2, 6, 3, 0, 0, 0, 0};
const CCalendarTime kTime2009{2009, 9, 3, 9, 0, 0, 0, 0};

// A list whose lock a test can hold from another thread.
class CLockableList : public CTSList
{
public:
    using CTSList::Mutex;
};
} // namespace

TEST(TSListTest, KeysCompareAsUrlsAndKeepTheirFirstTime)
{
    CTSList list;
    EXPECT_TRUE(list.Add("http://a/page.html", kTime2001));
    EXPECT_FALSE(list.Add("http://a/page.html", kTime2009));
    EXPECT_FALSE(list.Add("HTTP://A:80/page.html", kTime2009));
    CCalendarTime time;
    ASSERT_TRUE(list.Lookup("http://A/page.html", time));
    EXPECT_EQ(time, kTime2001);
    // Path and query keep their case; other keys compare exactly.
    EXPECT_FALSE(list.Contains("HTTP://A/PAGE.HTML"));
    EXPECT_TRUE(list.Add("http://a/PAGE.html", kTime2009));
    EXPECT_TRUE(list.Add("Key", kTime2001));
    EXPECT_FALSE(list.Contains("key"));

    // An older file's entries are found by any spelling of their URL.
    CTSList old;
    ASSERT_TRUE(old.LoadFromBytes(Le32(2) + ShortString("http://Example.COM/A%7e.zip") + Le32(0) +
                                  Le32(0) + ShortString("http://h/x.zip") + Le32(0) + Le32(0)));
    EXPECT_TRUE(old.Contains("http://example.com/A~.zip"));
    EXPECT_TRUE(old.Contains("http://EXAMPLE.com:80/A%7E.zip"));
    EXPECT_FALSE(old.Contains("http://example.com/a~.zip"));

    EXPECT_TRUE(list.Contains("http://a/page.html"));
    list.RemoveAll();
    EXPECT_FALSE(list.Contains("http://a/page.html"));
}

TEST(TSListTest, KeysAreKeptAndComparedWithoutPasswords)
{
    CTSList list;
    // An older file may hold a password: it is dropped as the file is read.
    ASSERT_TRUE(
        list.LoadFromBytes(Le32(1) + ShortString("ftp://me:old@h/x.zip") + Le32(0) + Le32(0)));
    EXPECT_TRUE(list.Add("http://me:secret@h/a.zip", kTime2001));
    EXPECT_TRUE(list.Add("http://:secret@h/b.zip", kTime2001));
    EXPECT_TRUE(list.Add("http://h/c.zip?u=a:b@c", kTime2001)); // not the authority: kept whole
    CCalendarTime time;
    EXPECT_TRUE(list.Lookup("http://me:other@h/a.zip", time));
    EXPECT_TRUE(list.Contains("http://me@h/a.zip"));
    EXPECT_TRUE(list.Contains("http://h/b.zip"));
    EXPECT_TRUE(list.Contains("ftp://me@h/x.zip"));
    EXPECT_TRUE(list.Contains("http://h/c.zip?u=a:b@c"));
    EXPECT_FALSE(list.Contains("http://you@h/a.zip"));
    const std::string bytes = list.SaveToBytes();
    EXPECT_EQ(bytes.find("secret"), std::string::npos);
    EXPECT_EQ(bytes.find("old"), std::string::npos);
    // The entry histories of the address boxes too.
    EXPECT_EQ(BuildHistoryBytes("http://me:pw@h/", {"http://me:pw@h/", "ftp://:pw@g/", "pw"}),
              BuildHistoryBytes("http://me@h/", {"http://me@h/", "ftp://g/", "pw"}));
}

TEST(TSListTest, FilesAreWrittenByteForByte)
{
    CTSList list;
    EXPECT_EQ(list.SaveToBytes(), std::string(4, '\0'));
    list.Add("0123456789", {1970, 1, 4, 1, 0, 0, 0, 0});
    const std::string one =
        Le32(1) + ShortString("0123456789") + Le32(0xD53E8000) + Le32(0x019DB1DE);
    ASSERT_EQ(one.size(), 23u);
    EXPECT_EQ(list.SaveToBytes(), one);

    // "No time" has no file time: it is written as 0 and reads back as the first instant.
    CTSList zero;
    zero.Add("k", CCalendarTime{});
    EXPECT_EQ(zero.SaveToBytes(), Le32(1) + ShortString("k") + Le32(0) + Le32(0));
    ASSERT_TRUE(zero.LoadFromBytes(zero.SaveToBytes()));
    CCalendarTime time;
    ASSERT_TRUE(zero.Lookup("k", time));
    EXPECT_EQ(time, (CCalendarTime{1601, 1, 1, 1, 0, 0, 0, 0}));
}

TEST(TSListTest, SaveThenLoadKeepsKeysAndTimes)
{
    CTempDir dir;
    CTSList saved;
    const std::pair<std::string, CCalendarTime> entries[] = {
        {"http://a/", {1601, 1, 1, 1, 5, 0, 0, 0}},
        {"http://b/x.zip", {1999, 12, 5, 31, 23, 59, 58, 7}},
        {std::string(300, 'u'), {30827, 12, 5, 31, 23, 0, 0, 0}},
    };
    for (const auto& [key, time] : entries)
        saved.Add(key, time);
    saved.Save("urls.his", dir.Path().string());

    CTSList loaded;
    loaded.Add("stale", kTime2001);
    ASSERT_TRUE(loaded.Load(dir.File("urls.his"), "/elsewhere")); // absolute: used unchanged
    EXPECT_EQ(loaded.GetCount(), 3u);
    for (const auto& [key, time] : entries)
    {
        CCalendarTime back;
        ASSERT_TRUE(loaded.Lookup(key, back));
        EXPECT_EQ(back, time);
    }
    EXPECT_FALSE(loaded.Load("missing.his", dir.Path().string()));
    EXPECT_EQ(loaded.GetCount(), 0u);
}

TEST(TSListTest, DamagedFilesGiveAnEmptyList)
{
    const std::string entry = ShortString("key") + Le32(0) + Le32(0);
    struct Case
    {
        std::string bytes;
        bool loads;
        std::size_t count;
    };
    std::vector<Case> cases = {
        {Le32(0), true, 0},
        {Le32(0xFFFFFFFF) + entry, false, 0}, // a negative count
        {Le32(0x7FFFFFFF) + entry, false, 0},
        {Le32(1) + entry + entry, false, 0}, // more entries than counted
        {Le32(2) + entry + entry, true, 1},  // repeated key
        {Le32(1) + ShortString("k") + Le32(0) + Le32(0x80000000), true, 1}, // no calendar time
    };
    const std::string good = Le32(3) + entry + ShortString("bb") + Le32(1) + Le32(2) + entry;
    for (std::size_t size = 0; size < good.size(); ++size)
        cases.push_back({good.substr(0, size), false, 0});
    for (const auto& c : cases)
    {
        CTSList list;
        list.Add("old", kTime2001);
        EXPECT_EQ(list.LoadFromBytes(c.bytes), c.loads) << c.bytes.size();
        EXPECT_EQ(list.GetCount(), c.count) << c.bytes.size();
    }
}

TEST(TSListTest, ConcurrentUseNeverSeesAHalfMadeChange)
{
    constexpr int kKeys = 2000;
    // Every key's time says which key it is, so the reader can check what it finds.
    auto timeOf = [](int key)
    { return CCalendarTime{static_cast<std::uint16_t>(2000 + key), 1, 0, 1, 0, 0, 0, 0}; };
    CTSList list;
    std::atomic<bool> stop{false};
    std::atomic<int> wrongTimes{0};
    std::atomic<int> added{0};
    std::thread reader(
        [&]
        {
            while (!stop)
                for (int key = 0; key < kKeys; key += 7)
                {
                    CCalendarTime time;
                    if (list.Lookup(std::to_string(key), time) && !(time == timeOf(key)))
                        ++wrongTimes;
                }
        });
    auto addAll = [&](bool count)
    {
        std::vector<std::thread> writers;
        for (int w = 0; w < 6; ++w)
            writers.emplace_back(
                [&, w]
                {
                    for (int i = 0; i < kKeys; ++i)
                    {
                        const int key = (i + w * 331) % kKeys; // overlapping key sets
                        if (list.Add(std::to_string(key), timeOf(key)) && count)
                            ++added;
                    }
                });
        for (auto& writer : writers)
            writer.join();
    };
    std::thread clearer(
        [&]
        {
            for (int round = 0; round < 20; ++round)
                list.RemoveAll();
        });
    addAll(false);
    clearer.join();
    // Without the clearer, each key is added exactly once whatever thread gets there first.
    list.RemoveAll();
    addAll(true);
    stop = true;
    reader.join();
    EXPECT_EQ(wrongTimes, 0);
    EXPECT_EQ(added, kKeys);
    EXPECT_EQ(list.GetCount(), static_cast<std::size_t>(kKeys));
}

TEST(TSListTest, ChangesWaitForALockHeldLongAndThenHappen)
{
    CLockableList list;
    list.Add("kept", kTime2001);
    std::atomic<bool> done{false};
    std::thread changer;
    {
        std::lock_guard lock(list.Mutex());
        changer = std::thread(
            [&]
            {
                EXPECT_TRUE(list.Add("new", kTime2001));
                list.RemoveAll();
                EXPECT_TRUE(list.Add("last", kTime2009));
                done = true;
            });
        // Longer than any wait ever was: nothing may give up meanwhile.
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        EXPECT_FALSE(done.load());
    }
    changer.join();
    EXPECT_FALSE(list.Contains("kept"));
    EXPECT_FALSE(list.Contains("new"));
    EXPECT_TRUE(list.Contains("last"));
}
