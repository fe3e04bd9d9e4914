#pragma once

#include <cstdint>

// A point in time as eight 16-bit fields, compared field by field. Year 0 means "no time".
struct CCalendarTime
{
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t dayOfWeek = 0; // 0 = Sunday
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;

    bool IsSet() const { return year != 0; }
    friend bool operator==(const CCalendarTime&, const CCalendarTime&) = default;
};
