#pragma once

#include "common/StringTable.h"

#include <span>

namespace korvex {

// Texts of the uploader subsystem. Numbered texts keep their numbers; the others
// take numbers from 15000 upwards.
enum UploaderStringId : int {
    IDS_UPLOADER_FIRST = 15000,
};

extern const std::span<const StringEntry> kUploaderStrings;

}  // namespace korvex
