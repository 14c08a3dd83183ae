#pragma once

#include "schedule/DayInterval.h"
#include "schedule/ScheduleEntry.h"

#include <QString>

namespace korvex {

// "Sunday" .. "Saturday" for days 0..6; empty for any other number.
QString DayName(int dayOfWeek);
// "Session", "Weekly", "Daily".
QString KindName(ScheduleKind kind);
// "January" .. "December" for months 0..11; empty for any other number.
QString MonthName(int month);

// A time of day in 12-hour form, "07:05 AM", "12:30 PM"; hour 24 is midnight at the end of
// a day.
QString TimeOfDayText(int hour, int minute);

// The tooltip of an interval on a Timer Setup bar: start and end times.
QString IntervalText(const DayInterval& interval);

// The entry's line in the Timer Setup list: kind, start and end.
QString EntryListLine(const ScheduleEntry& entry);

}  // namespace korvex
