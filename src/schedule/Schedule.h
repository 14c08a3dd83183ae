#pragma once

#include "common/UserPrompt.h"
#include "schedule/DayInterval.h"
#include "schedule/ScheduleEntry.h"

#include <QString>

#include <cstdint>
#include <ctime>
#include <span>
#include <vector>

namespace korvex {

// A camera's Timer schedule: the entries as edited, and while the Timer runs, today's
// merged intervals with the position of the next boundary, checked minute by minute.
class Schedule {
public:
    // Minutes in a day; as a boundary it means "none left today".
    static constexpr int kDayMinutes = 1440;

    explicit Schedule(UserPrompt& prompt) : prompt_(prompt) {}

    // Replaces the entries with those of the TIMER file at `path`. A file that can't be
    // opened gives false silently; a file that is not a valid TIMER file gives the message
    // and false; either way nothing changes. Today's list is rebuilt at the next check.
    bool LoadSchedule(const QString& path);
    // Writes the entries to `path`; a failure gives the message and false, and leaves any
    // earlier file at `path` as it was.
    bool SaveSchedule(const QString& path);

    // The camera's default file "Korvex<camera>.tmr" in `dir`.
    static QString DefaultSchedulePath(const QString& dir, int camera);
    // Loads the camera's default file; when that fails the schedule becomes the default
    // schedule, built around `now`.
    void LoadDefaultSchedule(const QString& dir, int camera, std::time_t now);
    bool SaveDefaultSchedule(const QString& dir, int camera);
    // Friday 17:00 to Monday 07:00, and daily 11:45 to 13:00 and 17:30 to 07:30; the fields
    // the entries don't use come from the local time `now`.
    static std::vector<ScheduleEntry> DefaultEntries(std::time_t now);

    const std::vector<ScheduleEntry>& Entries() const { return entries_; }
    // Takes edited entries over; like a load, today's list is rebuilt at the next check.
    void SetEntries(std::vector<ScheduleEntry> entries);

    // Appends the intervals that `entries` give on the day `dayOffset` days after the local
    // day of `t`, then merges overlapping and touching intervals and sorts them by start.
    // Entries with a field out of range are passed over.
    static void BuildDay(std::span<const ScheduleEntry> entries, std::vector<DayInterval>& list,
                         int dayOffset, std::time_t t);

    // Builds today's list for `now` and positions the next boundary; returns it in minutes
    // since midnight (kDayMinutes when none is left today).
    int Activate(std::time_t now);

    // Whether `t` lies inside one of today's intervals. Called on every frame step while the
    // Timer runs; the list is rebuilt on the first call of each new day and after the
    // entries have changed.
    bool IsActive(std::time_t t);

    const std::vector<DayInterval>& Today() const { return today_; }
    int Next() const { return next_; }
    int Index() const { return index_; }
    bool Waiting() const { return waiting_; }

private:
    void ClearToday();
    bool IndexInList() const { return index_ >= 0 && index_ < static_cast<int>(today_.size()); }

    UserPrompt& prompt_;
    std::vector<ScheduleEntry> entries_;
    std::vector<DayInterval> today_;
    int next_ = kDayMinutes;
    int index_ = -1;
    bool waiting_ = true;
    // The calendar day today's list was built for, and whether it must be built again.
    int64_t builtDay_ = 0;
    bool rebuildDue_ = true;
};

}  // namespace korvex
