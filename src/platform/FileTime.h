#pragma once

#include "platform/CalendarTime.h"

#include <cstdint>

// File time: 100-nanosecond ticks since 1601-01-01 00:00, proleptic Gregorian calendar, no
// time zone. Both conversions are exact to the millisecond.

// Fails (false, fileTime untouched) for a calendar time outside 1601..30827 or with a field out
// of range, such as the all-zero "no time". The day of week is ignored.
bool CalendarTimeToFileTime(const CCalendarTime& time, std::uint64_t& fileTime);

// Fails (false, time untouched) for a file time above 0x7FFFFFFFFFFFFFFF. Ticks below one
// millisecond are dropped; the day of week is computed.
bool FileTimeToCalendarTime(std::uint64_t fileTime, CCalendarTime& time);
