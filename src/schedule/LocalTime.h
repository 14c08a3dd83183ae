#pragma once

#include <cstdint>
#include <ctime>

namespace korvex {

// The broken-down local time of `t`.
std::tm LocalTime(std::time_t t);

// `t`'s minutes since midnight.
inline int MinuteOfDay(const std::tm& t) {
    return t.tm_hour * 60 + t.tm_min;
}

// Days from 1 January 1970 to the calendar date of `t` (year, month and day of month),
// so the difference of two gives whole calendar days whatever the time zone does.
int64_t CalendarDayNumber(const std::tm& t);

// `start` converted as local time, with the time zone deciding on daylight saving; the
// normalised fields are written back.
std::time_t LocalToTime(std::tm& start);

}  // namespace korvex
