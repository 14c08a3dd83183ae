#include "common/strings/ScheduleStrings.h"

namespace korvex {

namespace {
const StringEntry kTable[] = {
    {IDS_TIMER_FILE_INVALID, "This is not a valid Timer file."},
    {IDS_TIMER_SAVE_FAILED,
     "Failed to save the Timer information. Check your available disk space and disk write "
     "protection."},
    {IDS_SESSION_INVALID,
     "The session is not a valid session. Make sure the stop time is later than the start time."},
};
}  // namespace

const std::span<const StringEntry> kScheduleStrings = kTable;

}  // namespace korvex
