#include "LeBytes.h"
#include "settings/TSList.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace
{
CCalendarTime Time(int year, int month, int day, int hour = 0, int dayOfWeek = 0)
{
    CCalendarTime time;
    time.year = static_cast<std::uint16_t>(year);
    time.month = static_cast<std::uint16_t>(month);
    time.day = static_cast<std::uint16_t>(day);
    time.hour = static_cast<std::uint16_t>(hour);
    time.dayOfWeek = static_cast<std::uint16_t>(dayOfWeek);
    return time;
}

// A list whose lock a test can hold from another thread.
class CLockableList : public CTSList
{
public:
    using CTSList::Mutex;
};
} // namespace

TEST(TSListTest, KeysAreExactAndKeepTheirFirstTime)
{
    CTSList list;
    EXPECT_TRUE(list.Add("http://a/page.html", Time(2001, 2, 3)));
    EXPECT_FALSE(list.Add("http://a/page.html", Time(2009, 9, 9)));
    CCalendarTime time;
    ASSERT_TRUE(list.Lookup("http://a/page.html", time));
    EXPECT_EQ(time, Time(2001, 2, 3));
    EXPECT_FALSE(list.Contains("HTTP://A/PAGE.HTML"));
    EXPECT_FALSE(list.Lookup("http://a/other", time));

    const CPageHistoryLookup& lookup = list;
    EXPECT_TRUE(lookup.Contains("http://a/page.html"));
    EXPECT_TRUE(list.RemoveAll());
    EXPECT_FALSE(lookup.Contains("http://a/page.html"));
}

TEST(TSListTest, FilesAreWrittenByteForByte)
{
    CTSList list;
    EXPECT_EQ(list.SaveToBytes(), std::string(4, '\0'));
    list.Add("0123456789", Time(1970, 1, 1));
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
    EXPECT_EQ(time, Time(1601, 1, 1, 0, 1));
}

TEST(TSListTest, SaveThenLoadKeepsKeysAndTimes)
{
    CTempDir dir;
    CTSList saved;
    const std::pair<std::string, CCalendarTime> entries[] = {
        {"http://a/", Time(1601, 1, 1, 5, 1)},
        {"http://b/x.zip", Time(1999, 12, 31, 23, 5)},
        {std::string(300, 'u'), Time(30827, 12, 31, 23, 5)},
    };
    for (const auto& [key, time] : entries)
        saved.Add(key, time);
    saved.Save("urls.his", dir.Path().string());

    CTSList loaded;
    loaded.Add("stale", Time(2000, 1, 1));
    ASSERT_TRUE(loaded.Load(dir.File("urls.his"), "/elsewhere"));
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
    const Case cases[] = {
        {Le32(0), true, 0},
        {Le32(0xFFFFFFFF) + entry, true, 0},
        {Le32(0x7FFFFFFF) + entry, false, 0},
        {Le32(2) + entry + entry, true, 1},                                 // repeated key
        {Le32(1) + ShortString("k") + Le32(0) + Le32(0x80000000), true, 1}, // no calendar time
        {std::string(3, '\0'), false, 0},
    };
    for (const auto& c : cases)
    {
        CTSList list;
        list.Add("old", Time(2000, 1, 1));
        EXPECT_EQ(list.LoadFromBytes(c.bytes), c.loads);
        EXPECT_EQ(list.GetCount(), c.count);
    }

    CTSList full;
    for (const char* key : {"a", "bb", "ccc"})
        full.Add(key, Time(2020, 5, 6));
    const std::string good = full.SaveToBytes();
    for (std::size_t size = 0; size < good.size(); ++size)
    {
        CTSList list;
        list.Add("old", Time(2000, 1, 1));
        EXPECT_FALSE(list.LoadFromBytes(good.substr(0, size))) << size;
        EXPECT_EQ(list.GetCount(), 0u) << size;
    }
}

TEST(TSListTest, ConcurrentUseNeverSeesAHalfMadeChange)
{
    constexpr int kWriters = 6;
    constexpr int kKeys = 2000;
    // Every key's time says which key it is, so a reader can check what it finds.
    auto timeOf = [](int key) { return Time(2000 + key % 100, 1 + key % 12, 1 + key % 28, 1); };
    CTSList list;
    std::atomic<bool> stop{false};
    std::atomic<int> wrongTimes{0};

    std::thread reader(
        [&]
        {
            while (!stop)
                for (int key = 0; key < kKeys; key += 7)
                {
                    CCalendarTime time;
                    if (list.Lookup(std::to_string(key), time) && !(time == timeOf(key)))
                        ++wrongTimes;
                    list.Contains(std::to_string(key));
                }
        });
    std::thread clearer(
        [&]
        {
            for (int round = 0; round < 20 && !stop; ++round)
            {
                list.RemoveAll();
                std::this_thread::yield();
            }
        });
    // Two passes: the first races with the clearer; after it, the second counts the additions.
    std::atomic<int> added{0};
    for (int pass = 0; pass < 2; ++pass)
    {
        if (pass == 1)
        {
            clearer.join();
            list.RemoveAll();
        }
        std::vector<std::thread> writers;
        for (int w = 0; w < kWriters; ++w)
            writers.emplace_back(
                [&, w]
                {
                    for (int i = 0; i < kKeys; ++i)
                    {
                        const int key = (i + w * 331) % kKeys; // overlapping key sets
                        if (list.Add(std::to_string(key), timeOf(key)) && pass == 1)
                            ++added;
                    }
                });
        for (auto& writer : writers)
            writer.join();
    }
    stop = true;
    reader.join();
    EXPECT_EQ(wrongTimes, 0);
    EXPECT_EQ(added, kKeys);
    EXPECT_EQ(list.GetCount(), static_cast<std::size_t>(kKeys));
}

TEST(TSListTest, ALockHeldTooLongMakesChangesFail)
{
    CLockableList list;
    list.Add("kept", Time(2000, 1, 1));
    std::atomic<bool> held{false};
    std::atomic<bool> done{false};
    std::thread holder(
        [&]
        {
            std::lock_guard lock(list.Mutex());
            held = true;
            while (!done)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        });
    while (!held)
        std::this_thread::yield();
    EXPECT_FALSE(list.RemoveAll());
    EXPECT_FALSE(list.Add("new", Time(2000, 1, 1)));
    done = true;
    holder.join();
    EXPECT_TRUE(list.Contains("kept"));
    EXPECT_FALSE(list.Contains("new"));
}
