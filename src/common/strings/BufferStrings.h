#pragma once

#include "common/StringTable.h"

#include <span>

namespace korvex {

// Texts of the buffer subsystem. Numbered texts keep their numbers; the others
// take numbers from 12000 upwards.
enum BufferStringId : int {
    IDS_MV2_LIMIT_REACHED = 153,
    IDS_AVI_CREATE_FAILED = 198,
    IDS_MV2_OUT_OF_MEMORY = 900,
    IDS_MV2_OPEN_WRITE_FAILED = 901,
    IDS_MV2_OPEN_READ_FAILED = 902,
    IDS_MV2_NOT_VALID = 914,
    IDS_MV2_CORRUPTED = 915,
    IDS_FLUSH_BUFFER_QUESTION = 228,

    IDS_BUFFER_FIRST = 12000,
    IDS_MV2_READING_FRAME,
    IDS_AVI_TOO_LARGE,
    IDS_MV2_DEVICE,
    IDS_MV2_SAVE_MOVE_FAILED,
    IDS_MV2_SAVE_ONTO_ITSELF,
};

extern const std::span<const StringEntry> kBufferStrings;

}  // namespace korvex
