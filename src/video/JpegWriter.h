#pragma once

#include "common/Dib.h"

#include <QString>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korvex {

// Writes a 24-bit picture as a baseline JPEG file with libjpeg. A libjpeg error comes back
// as a false result with its message in `LastError`; the library's objects and the file are
// released once, by their owners.
class JpegWriter {
public:
    static constexpr int kStillQuality = 90;

    // Takes a copy of a 24-bit uncompressed bottom-up picture; false for other formats or too
    // few bits.
    bool SetImage(const DibFormat& format, std::span<const uint8_t> bits);
    // Writes the picture to `path` (replacing it) with quality 0..100.
    bool Write(const QString& path, int quality);
    const std::string& LastError() const { return lastError_; }

private:
    int width_ = 0;
    int height_ = 0;
    int64_t rowBytes_ = 0;
    std::vector<uint8_t> bits_;  // bottom-up blue-green-red rows, as given
    bool initialised_ = false;
    std::string lastError_;
};

}  // namespace korvex
