#include "schedule/ScheduleEntry.h"

namespace korvex {

namespace {

int32_t ReadInt32(std::span<const uint8_t, kScheduleEntryBytes> in, std::size_t offset) {
    const uint32_t value = uint32_t(in[offset]) | uint32_t(in[offset + 1]) << 8 |
                           uint32_t(in[offset + 2]) << 16 | uint32_t(in[offset + 3]) << 24;
    return static_cast<int32_t>(value);
}

void WriteInt32(std::span<uint8_t, kScheduleEntryBytes> out, std::size_t offset, int32_t v) {
    const auto value = static_cast<uint32_t>(v);
    out[offset] = uint8_t(value);
    out[offset + 1] = uint8_t(value >> 8);
    out[offset + 2] = uint8_t(value >> 16);
    out[offset + 3] = uint8_t(value >> 24);
}

bool InRange(int value, int low, int high) {
    return value >= low && value <= high;
}

// Offsets of the fields in a stored entry.
constexpr std::size_t kReservedOffset = 0;
constexpr std::size_t kKindOffset = 4;
constexpr std::size_t kStartOffset = 8;
constexpr std::size_t kDurationOffset = 44;

}  // namespace

bool IsValidScheduleEntry(const ScheduleEntry& entry) {
    const std::tm& t = entry.start;
    if (!InRange(t.tm_wday, 0, 6) || !InRange(t.tm_hour, 0, 23) || !InRange(t.tm_min, 0, 59) ||
        entry.durationMinutes < 0) {
        return false;
    }
    switch (entry.kind) {
        case ScheduleKind::Daily:
            return entry.durationMinutes <= kMaxDailyMinutes;
        case ScheduleKind::Weekly:
            return entry.durationMinutes <= kMaxWeeklyMinutes;
        case ScheduleKind::Session:
            // Years 1900 to 9999, so the date converts and prints in four digits.
            return entry.durationMinutes <= kMaxSessionMinutes && InRange(t.tm_sec, 0, 60) &&
                   InRange(t.tm_mday, 1, 31) && InRange(t.tm_mon, 0, 11) &&
                   InRange(t.tm_year, 0, 8099);
    }
    return false;
}

void WriteScheduleEntry(const ScheduleEntry& entry, std::span<uint8_t, kScheduleEntryBytes> out) {
    const std::tm& t = entry.start;
    const int32_t fields[9] = {t.tm_sec,  t.tm_min,  t.tm_hour, t.tm_mday, t.tm_mon,
                               t.tm_year, t.tm_wday, t.tm_yday, t.tm_isdst};
    WriteInt32(out, kReservedOffset, entry.reserved);
    WriteInt32(out, kKindOffset, static_cast<int32_t>(entry.kind));
    for (std::size_t i = 0; i < 9; ++i) {
        WriteInt32(out, kStartOffset + 4 * i, fields[i]);
    }
    WriteInt32(out, kDurationOffset, entry.durationMinutes);
}

std::optional<ScheduleEntry> ReadScheduleEntry(std::span<const uint8_t, kScheduleEntryBytes> in) {
    const int32_t kind = ReadInt32(in, kKindOffset);
    if (!InRange(kind, 0, 2)) {
        return std::nullopt;
    }
    ScheduleEntry entry;
    entry.reserved = ReadInt32(in, kReservedOffset);
    entry.kind = static_cast<ScheduleKind>(kind);
    int* const fields[9] = {&entry.start.tm_sec,  &entry.start.tm_min,  &entry.start.tm_hour,
                            &entry.start.tm_mday, &entry.start.tm_mon,  &entry.start.tm_year,
                            &entry.start.tm_wday, &entry.start.tm_yday, &entry.start.tm_isdst};
    for (std::size_t i = 0; i < 9; ++i) {
        *fields[i] = ReadInt32(in, kStartOffset + 4 * i);
    }
    entry.durationMinutes = ReadInt32(in, kDurationOffset);
    if (!IsValidScheduleEntry(entry)) {
        return std::nullopt;
    }
    return entry;
}

}  // namespace korvex
