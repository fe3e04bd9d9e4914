#include "platform/FileTime.h"

#include <gtest/gtest.h>

namespace
{
CCalendarTime Time(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                   int milliseconds = 0, int dayOfWeek = 0)
{
    CCalendarTime time;
    time.year = static_cast<std::uint16_t>(year);
    time.month = static_cast<std::uint16_t>(month);
    time.dayOfWeek = static_cast<std::uint16_t>(dayOfWeek);
    time.day = static_cast<std::uint16_t>(day);
    time.hour = static_cast<std::uint16_t>(hour);
    time.minute = static_cast<std::uint16_t>(minute);
    time.second = static_cast<std::uint16_t>(second);
    time.milliseconds = static_cast<std::uint16_t>(milliseconds);
    return time;
}

constexpr std::uint64_t kTicksPerDay = 864'000'000'000;
} // namespace

TEST(FileTimeTest, KnownPoints)
{
    struct Case
    {
        CCalendarTime time; // with its day of week
        std::uint64_t fileTime;
    };
    const Case cases[] = {
        {Time(1601, 1, 1, 0, 0, 0, 0, 1), 0},
        {Time(1970, 1, 1, 0, 0, 0, 0, 4), 116444736000000000},
        {Time(2000, 2, 29, 12, 34, 56, 789, 2), 125963012967890000},
        {Time(30828, 9, 14, 2, 48, 5, 477, 4), 0x7FFFFFFFFFFFFFFF - 5807},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.time.year);
        CCalendarTime back;
        ASSERT_TRUE(FileTimeToCalendarTime(c.fileTime, back));
        EXPECT_EQ(back, c.time);
        if (c.time.year > 30827)
            continue; // readable, but beyond the last year a calendar time may have
        std::uint64_t fileTime = 1;
        CCalendarTime wrongWeekday = c.time;
        wrongWeekday.dayOfWeek = 6; // ignored on the way in
        ASSERT_TRUE(CalendarTimeToFileTime(wrongWeekday, fileTime));
        EXPECT_EQ(fileTime, c.fileTime);
    }
    CCalendarTime unchanged = Time(2001, 1, 1);
    EXPECT_FALSE(FileTimeToCalendarTime(0x8000000000000000, unchanged));
    EXPECT_EQ(unchanged, Time(2001, 1, 1));
}

TEST(FileTimeTest, EveryDayFrom1601RoundTrips)
{
    // Consecutive days are one day of ticks apart and one weekday on; each one converts back.
    std::uint64_t previous = 0;
    int weekday = 0; // the day before 1601-01-01 was a Sunday
    for (int year = 1601; year <= 30827; ++year)
    {
        for (int month = 1; month <= 12; ++month)
        {
            for (int day = 1; day <= 31; ++day)
            {
                CCalendarTime time = Time(year, month, day, 23, 59, 58, 999);
                std::uint64_t fileTime = 0;
                if (!CalendarTimeToFileTime(time, fileTime))
                {
                    ASSERT_GE(day, 29) << year << "-" << month;
                    continue;
                }
                if (year > 1601 || month > 1 || day > 1)
                {
                    ASSERT_EQ(fileTime - previous, kTicksPerDay) << year << "-" << month;
                }
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
        CCalendarTime{},         Time(1600, 12, 31),         Time(30828, 1, 1),
        Time(2001, 0, 1),        Time(2001, 13, 1),          Time(2001, 1, 0),
        Time(1900, 2, 29),       Time(2001, 4, 31),          Time(2001, 1, 1, 24),
        Time(2001, 1, 1, 0, 60), Time(2001, 1, 1, 0, 0, 60), Time(2001, 1, 1, 0, 0, 0, 1000),
    };
    for (const auto& time : invalid)
    {
        std::uint64_t fileTime = 42;
        EXPECT_FALSE(CalendarTimeToFileTime(time, fileTime)) << time.year << "-" << time.month;
        EXPECT_EQ(fileTime, 42u);
    }
}
