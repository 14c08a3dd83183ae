#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <span>

namespace korvex {

// The kinds of schedule entry, numbered as they are stored in TIMER files.
enum class ScheduleKind : int32_t { Session = 0, Weekly = 1, Daily = 2 };

// One entry of a camera's schedule. Session uses the whole date and time of `start`,
// Weekly its day of week, hours and minutes, Daily its hours and minutes.
struct ScheduleEntry {
    // Carried through unchanged; older files hold a fixed non-zero value here.
    int32_t reserved = 0;
    ScheduleKind kind = ScheduleKind::Daily;
    std::tm start{};
    int32_t durationMinutes = 0;
};

// Size of one entry in a TIMER file: reserved, kind, nine broken-down time fields, duration.
inline constexpr std::size_t kScheduleEntryBytes = 48;

// Longest durations an entry may have. A day and a week for Daily and Weekly (the longest
// the Timer Configuration dialog makes is one minute less); for a session two hundred
// years, more than the calendar's 1900 to 2010 allows, and far from overflowing a minute
// count.
inline constexpr int32_t kMaxDailyMinutes = 1440;
inline constexpr int32_t kMaxWeeklyMinutes = 10080;
inline constexpr int32_t kMaxSessionMinutes = 200 * 366 * 1440;

// Whether every field the entry's kind uses lies in its range, so that building a day or
// naming the entry can trust it.
bool IsValidScheduleEntry(const ScheduleEntry& entry);

// Writes the entry's 48 bytes, little-endian, field by field.
void WriteScheduleEntry(const ScheduleEntry& entry, std::span<uint8_t, kScheduleEntryBytes> out);

// Reads one entry; nullopt when a field is out of range.
std::optional<ScheduleEntry> ReadScheduleEntry(std::span<const uint8_t, kScheduleEntryBytes> in);

}  // namespace korvex
