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
};

extern const std::span<const StringEntry> kScheduleStrings;

}  // namespace korvex
