#include "schedule/ScheduleText.h"

#include "common/StringTable.h"
#include "common/strings/ScheduleStrings.h"
#include "schedule/LocalTime.h"

namespace korvex {

namespace {

QString NameFrom(int firstId, int count, int index) {
    return index >= 0 && index < count ? Str(firstId + index) : QString();
}

QString SessionTimeText(const std::tm& t) {
    return QString::asprintf("%02d/%02d/%02d %s %s", t.tm_mon + 1, t.tm_mday, t.tm_year + 1900,
                             qUtf8Printable(DayName(t.tm_wday)),
                             qUtf8Printable(TimeOfDayText(t.tm_hour, t.tm_min)));
}

// The time of day at which a Weekly or Daily entry ends.
QString EndTimeText(const ScheduleEntry& entry) {
    const int minutes = entry.start.tm_min + entry.durationMinutes;
    return TimeOfDayText((entry.start.tm_hour + minutes / 60) % 24, minutes % 60);
}

}  // namespace

QString DayName(int dayOfWeek) {
    return NameFrom(IDS_DAY_SUNDAY, 7, dayOfWeek);
}

QString KindName(ScheduleKind kind) {
    return NameFrom(IDS_KIND_SESSION, 3, static_cast<int>(kind));
}

QString MonthName(int month) {
    return NameFrom(IDS_MONTH_JANUARY, 12, month);
}

QString TimeOfDayText(int hour, int minute) {
    if (hour == 0 || hour == 24) {
        return QString::asprintf("12:%02d AM", minute);
    }
    if (hour < 12) {
        return QString::asprintf("%02d:%02d AM", hour, minute);
    }
    if (hour == 12) {
        return QString::asprintf("12:%02d PM", minute);
    }
    return QString::asprintf("%02d:%02d PM", hour - 12, minute);
}

QString IntervalText(const DayInterval& interval) {
    return QString::asprintf(
        "%s - %s", qUtf8Printable(TimeOfDayText(interval.start / 60, interval.start % 60)),
        qUtf8Printable(TimeOfDayText(interval.end / 60, interval.end % 60)));
}

QString EntryListLine(const ScheduleEntry& entry) {
    const std::tm& start = entry.start;
    QString from;
    QString to;
    switch (entry.kind) {
        case ScheduleKind::Weekly: {
            const int endDay =
                (start.tm_wday + (entry.durationMinutes + MinuteOfDay(start)) / 1440) % 7;
            from = DayName(start.tm_wday) + ' ' + TimeOfDayText(start.tm_hour, start.tm_min);
            to = DayName(endDay) + ' ' + EndTimeText(entry);
            break;
        }
        case ScheduleKind::Daily:
            from = TimeOfDayText(start.tm_hour, start.tm_min);
            to = EndTimeText(entry);
            break;
        case ScheduleKind::Session: {
            std::tm first = start;
            const std::time_t begin = LocalToTime(first);
            from = SessionTimeText(first);
            to = SessionTimeText(LocalTime(begin + std::time_t(entry.durationMinutes) * 60));
            break;
        }
    }
    return QString::asprintf("%s  %s  -  %s", qUtf8Printable(KindName(entry.kind)),
                             qUtf8Printable(from), qUtf8Printable(to));
}

}  // namespace korvex
