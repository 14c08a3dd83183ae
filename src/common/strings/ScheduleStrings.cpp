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
    {IDS_KIND_SESSION, "Session"},
    {IDS_KIND_WEEKLY, "Weekly"},
    {IDS_KIND_DAILY, "Daily"},
    {IDS_DAY_SUNDAY, "Sunday"},
    {IDS_DAY_MONDAY, "Monday"},
    {IDS_DAY_TUESDAY, "Tuesday"},
    {IDS_DAY_WEDNESDAY, "Wednesday"},
    {IDS_DAY_THURSDAY, "Thursday"},
    {IDS_DAY_FRIDAY, "Friday"},
    {IDS_DAY_SATURDAY, "Saturday"},
    {IDS_MONTH_JANUARY, "January"},
    {IDS_MONTH_FEBRUARY, "February"},
    {IDS_MONTH_MARCH, "March"},
    {IDS_MONTH_APRIL, "April"},
    {IDS_MONTH_MAY, "May"},
    {IDS_MONTH_JUNE, "June"},
    {IDS_MONTH_JULY, "July"},
    {IDS_MONTH_AUGUST, "August"},
    {IDS_MONTH_SEPTEMBER, "September"},
    {IDS_MONTH_OCTOBER, "October"},
    {IDS_MONTH_NOVEMBER, "November"},
    {IDS_MONTH_DECEMBER, "December"},
};
}  // namespace

const std::span<const StringEntry> kScheduleStrings = kTable;

}  // namespace korvex
