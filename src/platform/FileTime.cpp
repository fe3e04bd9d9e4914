#include "platform/FileTime.h"

#include <cstdint>
#include <limits>

namespace
{
constexpr std::int64_t kTicksPerMillisecond = 10'000;
constexpr std::int64_t kMillisecondsPerDay = 86'400'000;
constexpr int kFirstYear = 1601;
constexpr int kLastYear = 30827;

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to the given date, proleptic Gregorian (negative before 1970).
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

void CivilFromDays(std::int64_t days, int& year, unsigned& month, unsigned& day)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    year = static_cast<int>(static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2));
}

const std::int64_t kEpochDays = DaysFromCivil(kFirstYear, 1, 1);
} // namespace

bool CalendarTimeToFileTime(const CCalendarTime& time, std::uint64_t& fileTime)
{
    if (time.year < kFirstYear || time.year > kLastYear || time.month < 1 || time.month > 12 ||
        time.day < 1 || time.day > DaysInMonth(time.year, time.month) || time.hour > 23 ||
        time.minute > 59 || time.second > 59 || time.milliseconds > 999)
        return false;
    const std::int64_t days = DaysFromCivil(time.year, time.month, time.day) - kEpochDays;
    const std::int64_t milliseconds =
        days * kMillisecondsPerDay +
        ((time.hour * 60 + time.minute) * 60 + time.second) * std::int64_t{1000} +
        time.milliseconds;
    fileTime = static_cast<std::uint64_t>(milliseconds * kTicksPerMillisecond);
    return true;
}

bool FileTimeToCalendarTime(std::uint64_t fileTime, CCalendarTime& time)
{
    if (fileTime > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
        return false;
    const auto milliseconds = static_cast<std::int64_t>(fileTime) / kTicksPerMillisecond;
    const std::int64_t days = milliseconds / kMillisecondsPerDay;
    std::int64_t rest = milliseconds % kMillisecondsPerDay;

    int year = 0;
    unsigned month = 0;
    unsigned day = 0;
    CivilFromDays(days + kEpochDays, year, month, day);

    CCalendarTime result;
    result.year = static_cast<std::uint16_t>(year);
    result.month = static_cast<std::uint16_t>(month);
    result.day = static_cast<std::uint16_t>(day);
    // 1601-01-01 was a Monday; 0 is Sunday.
    result.dayOfWeek = static_cast<std::uint16_t>((days + 1) % 7);
    result.milliseconds = static_cast<std::uint16_t>(rest % 1000);
    rest /= 1000;
    result.second = static_cast<std::uint16_t>(rest % 60);
    rest /= 60;
    result.minute = static_cast<std::uint16_t>(rest % 60);
    result.hour = static_cast<std::uint16_t>(rest / 60);
    time = result;
    return true;
}
