#pragma once

#include "common/Dib.h"

#include <QString>

#include <cstdint>
#include <span>
#include <vector>

namespace korvex {

// Reads an uncompressed BMP file and converts its picture to 24 bits, for the JPEG writer.
// Damaged and foreign files are refused with the reason's string id; nothing is read past
// the file or the header's own tables.
class BitmapFile {
public:
    // Files larger than this are not bitmaps we wrote or can take.
    static constexpr int64_t kMaxFileBytes = int64_t{256} << 20;

    bool Load(const QString& path);
    // Loads a bitmap file's bytes.
    bool LoadBytes(std::span<const uint8_t> file);
    // Converts a loaded 4-, 8-, 16- or 32-bit picture to 24 bits (24 bits stay as they are).
    bool ConvertTo24();

    bool IsLoaded() const { return loaded_; }
    // The header block: the 40-byte header and the colour table.
    const DibFormat& Format() const { return format_; }
    std::span<const uint8_t> Pixels() const { return pixels_; }
    // The string id of the reason for the latest failure; 0 after success.
    int LastError() const { return lastError_; }

private:
    bool Fail(int stringId);

    DibFormat format_;
    std::vector<uint8_t> pixels_;
    int64_t sourceRowBytes_ = 0;
    int64_t rowBytes24_ = 0;
    bool loaded_ = false;
    int lastError_ = 0;
};

}  // namespace korvex
