#include "schedule/Schedule.h"

#include "common/Paths.h"
#include "common/StringTable.h"
#include "common/strings/ScheduleStrings.h"
#include "schedule/LocalTime.h"
#include "schedule/TimerFile.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace korvex {

namespace {

constexpr int kDay = Schedule::kDayMinutes;

void AddDaily(const ScheduleEntry& entry, std::vector<DayInterval>& list) {
    const int start = MinuteOfDay(entry.start);
    int end = start + entry.durationMinutes;
    if (end > kDay) {
        // The part of yesterday's occurrence that runs past midnight.
        list.push_back({0, end % kDay});
        end = kDay;
    }
    list.push_back({start, end});
}

void AddWeekly(const ScheduleEntry& entry, int dayOfWeek, std::vector<DayInterval>& list) {
    const int startDay = entry.start.tm_wday;
    const int start = MinuteOfDay(entry.start);
    const int finish = start + entry.durationMinutes;
    // Days counted from the start day: the stretch ends on day `lastDay`.
    const int lastDay = startDay + finish / kDay;
    int day = dayOfWeek;
    if (startDay > day) {
        day += 7;
    }
    if (lastDay >= day) {
        list.push_back({day % 7 == startDay ? start : 0, lastDay == day ? finish % kDay : kDay});
    }
    // A stretch that ends a week after its start day reaches into that day's morning.
    if (day == startDay && lastDay == startDay + 7) {
        list.push_back({0, finish % kDay});
    }
}

void AddSession(const ScheduleEntry& entry, const std::tm& day, std::time_t t, int dayOffset,
                std::vector<DayInterval>& list) {
    std::tm start = entry.start;
    const std::time_t startTime = LocalToTime(start);
    if (startTime == std::time_t(-1) || t > startTime + std::time_t(entry.durationMinutes) * 60) {
        return;
    }
    const int64_t days = CalendarDayNumber(day) - CalendarDayNumber(start) + dayOffset;
    if (days < 0) {
        return;
    }
    const int from = MinuteOfDay(start);
    const int finish = from + entry.durationMinutes;
    const int64_t lastDay = finish / kDay;
    if (days == 0) {
        list.push_back({from, std::min(finish, kDay)});
    } else if (lastDay == days) {
        list.push_back({0, finish % kDay});
    } else if (lastDay > days) {
        list.push_back({0, kDay});
    }
}

// Sorts by start and merges every overlapping or touching pair.
void MergeIntervals(std::vector<DayInterval>& list) {
    std::sort(list.begin(), list.end(),
              [](const DayInterval& a, const DayInterval& b) { return a.start < b.start; });
    std::vector<DayInterval> merged;
    for (const DayInterval& interval : list) {
        if (!merged.empty() && interval.start <= merged.back().end) {
            merged.back().end = std::max(merged.back().end, interval.end);
        } else {
            merged.push_back(interval);
        }
    }
    list = std::move(merged);
}

}  // namespace

bool Schedule::LoadSchedule(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray data = file.readAll();
    const auto entries = ParseTimerFile(
        std::span(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size())));
    if (!entries) {
        prompt_.Message(Str(IDS_TIMER_FILE_INVALID), PromptIcon::Warning);
        return false;
    }
    SetEntries(*entries);
    return true;
}

bool Schedule::SaveSchedule(const QString& path) {
    const std::vector<uint8_t> bytes = EncodeTimerFile(entries_);
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly) &&
                         file.write(reinterpret_cast<const char*>(bytes.data()),
                                    qint64(bytes.size())) == qint64(bytes.size()) &&
                         file.commit();
    if (!written) {
        prompt_.Message(Str(IDS_TIMER_SAVE_FAILED), PromptIcon::Error);
    }
    return written;
}

QString Schedule::DefaultSchedulePath(const QString& dir, int camera) {
    return JoinPath(dir, QString::asprintf("Korvex%d.tmr", camera));
}

void Schedule::LoadDefaultSchedule(const QString& dir, int camera, std::time_t now) {
    if (!LoadSchedule(DefaultSchedulePath(dir, camera))) {
        SetEntries(DefaultEntries(now));
    }
}

bool Schedule::SaveDefaultSchedule(const QString& dir, int camera) {
    return SaveSchedule(DefaultSchedulePath(dir, camera));
}

std::vector<ScheduleEntry> Schedule::DefaultEntries(std::time_t now) {
    const std::tm local = LocalTime(now);
    auto make = [&local](ScheduleKind kind, int dayOfWeek, int hour, int minute, int duration) {
        ScheduleEntry entry;
        entry.kind = kind;
        entry.start = local;
        entry.start.tm_wday = dayOfWeek;
        entry.start.tm_hour = hour;
        entry.start.tm_min = minute;
        entry.durationMinutes = duration;
        return entry;
    };
    return {
        make(ScheduleKind::Weekly, 5, 17, 0, 3720),
        make(ScheduleKind::Daily, local.tm_wday, 11, 45, 75),
        make(ScheduleKind::Daily, local.tm_wday, 17, 30, 840),
    };
}

void Schedule::SetEntries(std::vector<ScheduleEntry> entries) {
    entries_ = std::move(entries);
    ClearToday();
    rebuildDue_ = true;
}

void Schedule::BuildDay(std::span<const ScheduleEntry> entries, std::vector<DayInterval>& list,
                        int dayOffset, std::time_t t) {
    const std::tm day = LocalTime(t);
    const int dayOfWeek = ((day.tm_wday + dayOffset) % 7 + 7) % 7;
    for (const ScheduleEntry& entry : entries) {
        if (!IsValidScheduleEntry(entry)) {
            continue;
        }
        switch (entry.kind) {
            case ScheduleKind::Daily:
                AddDaily(entry, list);
                break;
            case ScheduleKind::Weekly:
                AddWeekly(entry, dayOfWeek, list);
                break;
            case ScheduleKind::Session:
                AddSession(entry, day, t, dayOffset, list);
                break;
        }
    }
    MergeIntervals(list);
}

int Schedule::Activate(std::time_t now) {
    const std::tm local = LocalTime(now);
    ClearToday();
    BuildDay(entries_, today_, 0, now);
    builtDay_ = CalendarDayNumber(local);
    rebuildDue_ = false;

    // The first interval not yet begun gives a start to wait for; one under way, its end.
    const int minute = MinuteOfDay(local);
    for (int i = 0; i < static_cast<int>(today_.size()); ++i) {
        if (today_[i].start >= minute) {
            next_ = today_[i].start;
            index_ = i;
            break;
        }
        if (today_[i].end >= minute) {
            waiting_ = false;
            next_ = today_[i].end;
            index_ = i + 1;
            break;
        }
    }
    return next_;
}

bool Schedule::IsActive(std::time_t t) {
    const std::tm local = LocalTime(t);
    if (rebuildDue_ || CalendarDayNumber(local) != builtDay_) {
        Activate(t);
    }
    const int minute = MinuteOfDay(local);
    if (waiting_) {
        if (minute < next_) {
            return false;
        }
        if (!IndexInList()) {
            index_ = -1;
            next_ = kDayMinutes;
            return false;
        }
        next_ = today_[index_].end;
        waiting_ = false;
        ++index_;
        return true;
    }
    if (minute < next_) {
        return true;
    }
    waiting_ = true;
    if (IndexInList()) {
        next_ = today_[index_].start;
    } else {
        index_ = -1;
        next_ = kDayMinutes;
    }
    return false;
}

void Schedule::ClearToday() {
    today_.clear();
    index_ = -1;
    next_ = kDayMinutes;
    waiting_ = true;
}

}  // namespace korvex
