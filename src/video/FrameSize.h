#pragma once

#include "common/Dib.h"

#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

namespace korvex {

// Pictures larger than this many pixels are refused as formats: no camera gives them, and
// a damaged header must not make us allocate gigabytes.
inline constexpr int64_t kMaxFramePixels = int64_t{8192} * 8192;

// Whether a header's size fields describe a picture we can hold.
inline bool PlausibleFrameSize(const BitmapInfoHeader& header) {
    const int64_t height = std::llabs(static_cast<int64_t>(header.biHeight));
    return header.biWidth > 0 && height > 0 && int64_t{header.biWidth} * height <= kMaxFramePixels;
}

// Bytes of one frame in a format: computed from the size for uncompressed formats,
// biSizeImage otherwise.
inline int64_t FrameBytes(const BitmapInfoHeader& header) {
    if (header.biCompression == BI_RGB || header.biCompression == BI_BITFIELDS) {
        return DibImageBytes(header.biWidth, header.biHeight, header.biBitCount);
    }
    return header.biSizeImage;
}

// "Basic RGB": uncompressed, bottom-up, 8, 16, 24 or 32 bits per pixel. This is what the
// detector, the display and the recorder take.
inline bool IsBasicRgb(const BitmapInfoHeader& header) {
    return header.biCompression == BI_RGB && header.biHeight > 0 &&
           (header.biBitCount == 8 || header.biBitCount == 16 || header.biBitCount == 24 ||
            header.biBitCount == 32);
}

// Sizes a frame buffer; false when the memory cannot be had.
inline bool TryAssign(std::vector<uint8_t>& buffer, size_t bytes) {
    try {
        buffer.assign(bytes, 0);
        return true;
    } catch (const std::bad_alloc&) {
        buffer = {};
        return false;
    }
}

}  // namespace korvex
