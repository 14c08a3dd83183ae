#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace korvex {

inline constexpr uint32_t BI_RGB = 0;
inline constexpr uint32_t BI_BITFIELDS = 3;

// The 40-byte header of a device-independent bitmap, as it lies in files and on the wire.
#pragma pack(push, 1)
struct BitmapInfoHeader {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;
    uint32_t biCompression = BI_RGB;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};
#pragma pack(pop)
static_assert(sizeof(BitmapInfoHeader) == 40);

// One colour table entry: blue, green, red, reserved.
struct RgbQuad {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    uint8_t reserved = 0;
};
static_assert(sizeof(RgbQuad) == 4);

// Bytes of one pixel row: width x bits, rounded up to a multiple of 4 bytes.
constexpr int64_t DibRowBytes(int64_t width, int bitCount) {
    return ((width * bitCount + 31) / 32) * 4;
}

// Bytes of the pixel rows of an uncompressed picture (height may be negative: top-down).
constexpr int64_t DibImageBytes(int64_t width, int64_t height, int bitCount) {
    return DibRowBytes(width, bitCount) * (height < 0 ? -height : height);
}

// Entries of the colour table that follows the header: biClrUsed, or the full table for
// depths of 8 bits and below when biClrUsed is 0.
int DibColourCount(const BitmapInfoHeader& header);

// A format block: the header followed by its colour table, owned as bytes. This is what
// formats are stored as in files and sent on the wire.
class DibFormat {
public:
    DibFormat() = default;
    // An uncompressed BI_RGB format; 8-bit formats get a grey colour table.
    static DibFormat Rgb(int width, int height, int bitCount);
    // Parses a format block; nullopt-like empty format when shorter than a header.
    static DibFormat FromBytes(std::span<const uint8_t> bytes);

    bool IsEmpty() const { return bytes_.size() < sizeof(BitmapInfoHeader); }
    const BitmapInfoHeader& Header() const;
    BitmapInfoHeader& Header();
    int Width() const { return Header().biWidth; }
    int Height() const { return Header().biHeight; }
    int BitCount() const { return Header().biBitCount; }
    uint32_t Compression() const { return Header().biCompression; }
    bool IsRgb() const { return !IsEmpty() && Header().biCompression == BI_RGB; }

    // The colour table (empty when the format has none).
    std::span<const RgbQuad> ColourTable() const;
    std::span<RgbQuad> ColourTable();
    // Resizes the block to header + n colour table entries and sets biClrUsed.
    void SetColourCount(int n);

    // Bytes of the pixel rows of an uncompressed picture in this format.
    int64_t ImageBytes() const;
    std::span<const uint8_t> Bytes() const { return bytes_; }
    size_t Size() const { return bytes_.size(); }

    bool operator==(const DibFormat& other) const { return bytes_ == other.bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

// Address of row `y` counted from the top of the picture in a bottom-up DIB.
inline uint8_t* DibRowFromTop(uint8_t* bits, int width, int height, int bitCount, int y) {
    return bits + DibRowBytes(width, bitCount) * (height - 1 - y);
}

}  // namespace korvex
