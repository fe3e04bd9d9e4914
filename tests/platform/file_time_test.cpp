#include "platform/FileTime.h"

#include <gtest/gtest.h>

// Field order: year, month, day of week, day, hour, minute, second, milliseconds.

TEST(FileTimeTest, KnownPoints)
{
    const std::pair<CCalendarTime, std::uint64_t> cases[] = {
        {{1601, 1, 1, 1, 0, 0, 0, 0}, 0},
        {{1970, 1, 4, 1, 0, 0, 0, 0}, 116444736000000000},
        {{2000, 2, 2, 29, 12, 34, 56, 789}, 125963012967890000},
        {{30827, 12, 5, 31, 23, 59, 59, 999}, 0x7FFF35F4F06C58F0},
    };
    for (const auto& [time, fileTime] : cases)
    {
        CCalendarTime back;
        ASSERT_TRUE(FileTimeToCalendarTime(fileTime, back));
        EXPECT_EQ(back, time) << time.year;
        CCalendarTime wrongWeekday = time;
        wrongWeekday.dayOfWeek = 6; // ignored on the way in
        std::uint64_t forth = 1;
        ASSERT_TRUE(CalendarTimeToFileTime(wrongWeekday, forth));
        EXPECT_EQ(forth, fileTime) << time.year;
    }
    // The largest file time is readable, one above it is not.
    CCalendarTime time;
    ASSERT_TRUE(FileTimeToCalendarTime(0x7FFFFFFFFFFFFFFF, time));
    EXPECT_EQ(time, (CCalendarTime{30828, 9, 4, 14, 2, 48, 5, 477}));
    EXPECT_FALSE(FileTimeToCalendarTime(0x8000000000000000, time));
    EXPECT_EQ(time.year, 30828);
}

TEST(FileTimeTest, EveryDayFrom1601RoundTrips)
{
    // Consecutive days are one day of ticks apart and one weekday on; each one converts back.
    constexpr std::uint64_t kTicksPerDay = 864'000'000'000;
    std::uint64_t previous = 0;
    int weekday = 0; // 1600-12-31 was a Sunday
    for (int year = 1601; year <= 30827; ++year)
    {
        for (int month = 1; month <= 12; ++month)
        {
            for (int day = 1; day <= 31; ++day)
            {
                CCalendarTime time{static_cast<std::uint16_t>(year),
                                   static_cast<std::uint16_t>(month),
                                   0,
                                   static_cast<std::uint16_t>(day),
                                   23,
                                   59,
                                   58,
                                   999};
                std::uint64_t fileTime = 0;
                if (!CalendarTimeToFileTime(time, fileTime))
                {
                    ASSERT_GE(day, 29) << year << "-" << month;
                    continue;
                }
                ASSERT_TRUE((year == 1601 && month == 1 && day == 1) ||
                            fileTime - previous == kTicksPerDay)
                    << year << "-" << month << "-" << day;
                previous = fileTime;
                weekday = (weekday + 1) % 7;
                time.dayOfWeek = static_cast<std::uint16_t>(weekday);
                CCalendarTime back;
                ASSERT_TRUE(FileTimeToCalendarTime(fileTime + 9999, back)); // sub-ms dropped
                ASSERT_EQ(back, time) << year << "-" << month << "-" << day;
            }
        }
    }
}

TEST(FileTimeTest, InvalidCalendarTimesFail)
{
    const CCalendarTime invalid[] = {
        {},
        {1600, 12, 0, 31, 0, 0, 0, 0},
        {30828, 1, 0, 1, 0, 0, 0, 0},
        {2001, 0, 0, 1, 0, 0, 0, 0},
        {2001, 13, 0, 1, 0, 0, 0, 0},
        {2001, 1, 0, 0, 0, 0, 0, 0},
        {1900, 2, 0, 29, 0, 0, 0, 0},
        {2001, 4, 0, 31, 0, 0, 0, 0},
        {2001, 1, 0, 1, 24, 0, 0, 0},
        {2001, 1, 0, 1, 0, 60, 0, 0},
        {2001, 1, 0, 1, 0, 0, 60, 0},
        {2001, 1, 0, 1, 0, 0, 0, 1000},
    };
    for (const auto& time : invalid)
    {
        std::uint64_t fileTime = 42;
        EXPECT_FALSE(CalendarTimeToFileTime(time, fileTime)) << time.year << "-" << time.month;
        EXPECT_EQ(fileTime, 42u);
    }
}
