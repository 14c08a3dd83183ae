#pragma once

#include "common/Dib.h"

#include <cstdint>

namespace korvex {

// The capture format for a V4L2 pixel format and size: a header whose biCompression is the
// four-character code of the raw or compressed format (BI_RGB with a negative height for
// V4L2's top-down BGR), or an empty format for pixel formats we cannot translate or rows
// with padding.
DibFormat DibFormatFromV4l2(uint32_t pixelFormat, uint32_t width, uint32_t height,
                            uint32_t bytesPerLine, uint32_t sizeImage);

// The V4L2 pixel format for a biCompression value of `DibFormatFromV4l2`'s formats; 0 when
// there is none.
uint32_t V4l2PixelFormatFor(uint32_t compression, int bitCount);

}  // namespace korvex
