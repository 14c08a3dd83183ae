#pragma once

#include "common/StringTable.h"

#include <span>

namespace korvex {

// Texts of the surveillance program's camera operation, settings and alerts.
// Numbered texts keep their numbers; the others take numbers from 10000 upwards.
enum CameraStringId : int {
    IDS_INTERNAL_ERROR = 145,
    IDS_UNIT_SEC = 147,
    IDS_UNIT_MIN = 148,
    IDS_UNIT_HR = 149,
    IDS_UNIT_KBYTES = 150,
    IDS_UNIT_MBYTES = 151,
    IDS_UNIT_GBYTES = 152,
    IDS_UNSUPPORTED_FORMAT = 155,
    IDS_SAVE_BUFFER_QUESTION = 159,
    IDS_STATUS_IDLE = 160,
    IDS_STATUS_WAITING = 161,
    IDS_STATUS_RECORDING = 162,
    IDS_STATUS_HOLDING = 163,
    IDS_STATUS_REARMING = 164,
    IDS_STATUS_KORVEX = 165,
    IDS_STATUS_ABORT_REARM = 166,
    IDS_STATUS_FUSE = 167,
    IDS_RESOURCE_CORRUPTED = 169,
    IDS_NO_COMPRESSOR = 194,
    IDS_WORKDIR_INVALID_1 = 201,
    IDS_WORKDIR_INVALID_2 = 202,
    IDS_STATUS_XMIT = 212,
    IDS_WORKDIR_CHANGE_FAILED = 227,
    IDS_LAUNCH_FAILED = 910,
    IDS_SYSTEM_MESSAGE = 911,

    IDS_CAMERA_FIRST = 10000,
    IDS_CLASS_REGISTRATION_FAILED,
    IDS_OTHER_SYSTEM_NOT_RESPONDING,
};

extern const std::span<const StringEntry> kCameraStrings;

}  // namespace korvex
