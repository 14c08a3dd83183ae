#include "schedule/LocalTime.h"

namespace korvex {

std::tm LocalTime(std::time_t t) {
    std::tm result{};
    localtime_r(&t, &result);
    return result;
}

int64_t CalendarDayNumber(const std::tm& t) {
    // Days from civil (proleptic Gregorian), counting years from March so leap days fall last.
    int64_t year = int64_t(t.tm_year) + 1900;
    const int64_t month = t.tm_mon + 1;
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + t.tm_mday - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

std::time_t LocalToTime(std::tm& start) {
    start.tm_isdst = -1;
    return std::mktime(&start);
}

}  // namespace korvex
