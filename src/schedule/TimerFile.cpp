#include "schedule/TimerFile.h"

#include <algorithm>

namespace korvex {

std::optional<std::vector<ScheduleEntry>> ParseTimerFile(std::span<const uint8_t> bytes) {
    constexpr std::size_t kMagicBytes = sizeof(kTimerMagic);
    if (bytes.size() < kMagicBytes ||
        !std::equal(bytes.begin(), bytes.begin() + kMagicBytes, std::begin(kTimerMagic))) {
        return std::nullopt;
    }
    const std::span<const uint8_t> records = bytes.subspan(kMagicBytes);
    // Every file written holds whole records; a tail means the file was cut short, and
    // loading the records before it would silently drop the rest of the schedule.
    if (records.size() % kScheduleEntryBytes != 0) {
        return std::nullopt;
    }
    std::vector<ScheduleEntry> entries;
    entries.reserve(records.size() / kScheduleEntryBytes);
    for (std::size_t offset = 0; offset < records.size(); offset += kScheduleEntryBytes) {
        auto entry = ReadScheduleEntry(records.subspan(offset).first<kScheduleEntryBytes>());
        if (!entry) {
            return std::nullopt;
        }
        entries.push_back(*entry);
    }
    return entries;
}

std::vector<uint8_t> EncodeTimerFile(std::span<const ScheduleEntry> entries) {
    std::vector<uint8_t> bytes(std::begin(kTimerMagic), std::end(kTimerMagic));
    bytes.resize(sizeof(kTimerMagic) + entries.size() * kScheduleEntryBytes);
    std::size_t offset = sizeof(kTimerMagic);
    for (const ScheduleEntry& entry : entries) {
        WriteScheduleEntry(entry, std::span(bytes).subspan(offset).first<kScheduleEntryBytes>());
        offset += kScheduleEntryBytes;
    }
    return bytes;
}

}  // namespace korvex
