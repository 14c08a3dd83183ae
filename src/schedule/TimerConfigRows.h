#pragma once

#include "schedule/ScheduleEntry.h"

#include <ctime>
#include <optional>

namespace korvex {

// One "From:" or "To:" row of the Timer Configuration dialog: a date (Session), a day of
// the week (Weekly) and a time of day in 12-hour form.
struct TimerRow {
    int year = 0;       // years since 1900
    int month = 0;      // 0 = January
    int day = 1;        // day of the month
    int dayOfWeek = 0;  // 0 = Sunday
    int hour12 = 12;    // 1..12
    int minute = 0;
    bool pm = false;

    friend bool operator==(const TimerRow&, const TimerRow&) = default;
};

// The hour 0..23 of a 12-hour row: PM adds 12 except to 12, AM turns 12 into 0.
int To24Hour(int hour12, bool pm);

// The row showing the broken-down time `t`.
TimerRow RowFromTime(const std::tm& t);

// The rows the dialog opens with: the entry's start, and its start plus its duration.
TimerRow FromRow(const ScheduleEntry& entry);
TimerRow ToRow(const ScheduleEntry& entry);

// The entry the dialog's OK makes of its rows: `base` (the entry being edited, whose
// unused fields are kept) with `kind`, the From row as start and the stretch to the To row
// as duration. Weekly and Daily wrap into the next week or day; a session whose To is not
// after its From gives nullopt, and so does any row out of range.
std::optional<ScheduleEntry> EntryFromRows(const ScheduleEntry& base, ScheduleKind kind,
                                           const TimerRow& from, const TimerRow& to);

}  // namespace korvex
