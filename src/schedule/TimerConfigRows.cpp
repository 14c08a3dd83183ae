#include "schedule/TimerConfigRows.h"

#include "schedule/LocalTime.h"

namespace korvex {

namespace {

constexpr int kDayMinutes = 1440;
constexpr int kWeekMinutes = 7 * kDayMinutes;

// Minutes since midnight of a row's time of day.
int RowMinutes(const TimerRow& row) {
    return To24Hour(row.hour12, row.pm) * 60 + row.minute;
}

std::tm SessionTime(const ScheduleEntry& base, const TimerRow& row) {
    std::tm t = base.start;
    t.tm_year = row.year;
    t.tm_mon = row.month;
    t.tm_mday = row.day;
    t.tm_hour = To24Hour(row.hour12, row.pm);
    t.tm_min = row.minute;
    t.tm_sec = 0;
    return t;
}

}  // namespace

int To24Hour(int hour12, bool pm) {
    if (pm) {
        return hour12 == 12 ? 12 : hour12 + 12;
    }
    return hour12 == 12 ? 0 : hour12;
}

TimerRow RowFromTime(const std::tm& t) {
    TimerRow row;
    row.year = t.tm_year;
    row.month = t.tm_mon;
    row.day = t.tm_mday;
    row.dayOfWeek = t.tm_wday;
    row.hour12 = t.tm_hour % 12 == 0 ? 12 : t.tm_hour % 12;
    row.minute = t.tm_min;
    row.pm = t.tm_hour >= 12;
    return row;
}

TimerRow FromRow(const ScheduleEntry& entry) {
    return RowFromTime(entry.start);
}

TimerRow ToRow(const ScheduleEntry& entry) {
    if (entry.kind == ScheduleKind::Session) {
        std::tm start = entry.start;
        const std::time_t begin = LocalToTime(start);
        return RowFromTime(LocalTime(begin + std::time_t(entry.durationMinutes) * 60));
    }
    // Minutes from the start of the week of the start day.
    const int end = entry.start.tm_wday * kDayMinutes + entry.start.tm_hour * 60 +
                    entry.start.tm_min + entry.durationMinutes;
    std::tm t = entry.start;
    t.tm_wday = (end / kDayMinutes) % 7;
    t.tm_hour = (end % kDayMinutes) / 60;
    t.tm_min = end % 60;
    return RowFromTime(t);
}

std::optional<ScheduleEntry> EntryFromRows(const ScheduleEntry& base, ScheduleKind kind,
                                           const TimerRow& from, const TimerRow& to) {
    ScheduleEntry entry = base;
    entry.kind = kind;
    switch (kind) {
        case ScheduleKind::Weekly: {
            entry.start.tm_wday = from.dayOfWeek;
            entry.start.tm_hour = To24Hour(from.hour12, from.pm);
            entry.start.tm_min = from.minute;
            const int start = from.dayOfWeek * kDayMinutes + RowMinutes(from);
            const int end = to.dayOfWeek * kDayMinutes + RowMinutes(to);
            entry.durationMinutes = end - start < 0 ? end - start + kWeekMinutes : end - start;
            break;
        }
        case ScheduleKind::Daily: {
            entry.start.tm_hour = To24Hour(from.hour12, from.pm);
            entry.start.tm_min = from.minute;
            const int duration = RowMinutes(to) - RowMinutes(from);
            entry.durationMinutes = duration < 0 ? duration + kDayMinutes : duration;
            break;
        }
        case ScheduleKind::Session: {
            std::tm start = SessionTime(base, from);
            std::tm stop = SessionTime(base, to);
            const std::time_t startMinutes = LocalToTime(start) / 60;
            const std::time_t stopMinutes = LocalToTime(stop) / 60;
            if (startMinutes >= stopMinutes || stopMinutes - startMinutes > kMaxSessionMinutes) {
                return std::nullopt;
            }
            entry.start = start;
            entry.durationMinutes = int32_t(stopMinutes - startMinutes);
            break;
        }
    }
    if (!IsValidScheduleEntry(entry)) {
        return std::nullopt;
    }
    return entry;
}

}  // namespace korvex
