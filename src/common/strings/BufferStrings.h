#pragma once

#include "common/StringTable.h"

#include <span>

namespace korvex {

// Texts of the buffer subsystem. Numbered texts keep their numbers; the others
// take numbers from 12000 upwards.
enum BufferStringId : int {
    IDS_BUFFER_FIRST = 12000,
};

extern const std::span<const StringEntry> kBufferStrings;

}  // namespace korvex
