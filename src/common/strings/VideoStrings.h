#pragma once

#include "common/StringTable.h"

#include <span>

namespace korvex {

// Texts of the video pipeline: detector, mask, capture, compression, stills.
// Numbered texts keep their numbers; the others take numbers from 11000 upwards.
enum VideoStringId : int {
    IDS_VIDEO_FIRST = 11000,
    IDS_OUT_OF_MEMORY_CLOSE_APPS,
    IDS_MASK_OPEN_WRITE_FAILED,
    IDS_MASK_OPEN_READ_FAILED,
    IDS_MASK_NOT_VALID,
    IDS_MASK_WRONG_SIZE,
};

extern const std::span<const StringEntry> kVideoStrings;

}  // namespace korvex
