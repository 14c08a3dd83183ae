#pragma once

#include "schedule/ScheduleEntry.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace korvex {

// A TIMER file: the six bytes "TIMER\0", then 48 bytes per entry to the end of the file.
inline constexpr uint8_t kTimerMagic[6] = {'T', 'I', 'M', 'E', 'R', 0};

// The entries of a TIMER file held in memory; nullopt when the bytes are not a TIMER file:
// a foreign or short header, a record cut short, or a record with a field out of range.
std::optional<std::vector<ScheduleEntry>> ParseTimerFile(std::span<const uint8_t> bytes);

// The bytes of a TIMER file holding `entries`.
std::vector<uint8_t> EncodeTimerFile(std::span<const ScheduleEntry> entries);

}  // namespace korvex
