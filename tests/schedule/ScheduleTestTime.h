#pragma once

#include <cstdlib>
#include <ctime>

namespace korvex::test {

// Schedule tests run in UTC, so local times are the same on every machine.
inline void UseUtc() {
    setenv("TZ", "UTC", 1);
    tzset();
}

// The local time of a date (month 1..12) and time of day.
inline std::time_t At(int year, int month, int day, int hour, int minute) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

}  // namespace korvex::test
