#pragma once

#include "common/Dib.h"
#include "common/UserPrompt.h"

#include <QString>

#include <cstdint>
#include <ctime>
#include <span>

namespace korvex {

// Height of the caption strip below the picture of a stamped bitmap.
inline constexpr int kStampHeight = 20;

// The caption of a still taken at `time` (local time): "Wed Jan 02 02:03:55 80".
QString StampCaption(std::time_t time);

// Writes a frame as a 24-bit BMP file 20 pixels taller than the frame: the frame on top,
// its time caption in the light grey strip below. False, after telling the user why, when
// the file cannot be written; false without a message when the frame is not basic RGB.
bool WriteStampedBitmap(const QString& path, const DibFormat& format, std::span<const uint8_t> bits,
                        std::time_t time, UserPrompt& prompt);

}  // namespace korvex
