#pragma once

#include "common/StringTable.h"

#include <span>

namespace korvex {

// Texts of the camera schedule (Timer). Numbers from 14000 upwards.
enum ScheduleStringId : int {
    IDS_SCHEDULE_FIRST = 14000,
    IDS_TIMER_FILE_INVALID,
    IDS_TIMER_SAVE_FAILED,
    IDS_SESSION_INVALID,
    IDS_KIND_SESSION,
    IDS_KIND_WEEKLY,
    IDS_KIND_DAILY,
    IDS_DAY_SUNDAY,
    IDS_DAY_MONDAY,
    IDS_DAY_TUESDAY,
    IDS_DAY_WEDNESDAY,
    IDS_DAY_THURSDAY,
    IDS_DAY_FRIDAY,
    IDS_DAY_SATURDAY,
    IDS_MONTH_JANUARY,
    IDS_MONTH_FEBRUARY,
    IDS_MONTH_MARCH,
    IDS_MONTH_APRIL,
    IDS_MONTH_MAY,
    IDS_MONTH_JUNE,
    IDS_MONTH_JULY,
    IDS_MONTH_AUGUST,
    IDS_MONTH_SEPTEMBER,
    IDS_MONTH_OCTOBER,
    IDS_MONTH_NOVEMBER,
    IDS_MONTH_DECEMBER,
};

extern const std::span<const StringEntry> kScheduleStrings;

}  // namespace korvex
