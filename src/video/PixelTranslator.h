#pragma once

#include "common/Dib.h"
#include "video/LibavHandles.h"

#include <cstdint>
#include <span>

namespace korvex {

// Turns raw camera frames (YUYV, UYVY, NV12, I420, YV12, grey, top-down RGB) into 24-bit
// bottom-up DIBs with libswscale: the first translator a capture source tries.
class PixelTranslator {
public:
    // Whether frames of this capture format can be translated.
    static bool Supports(const BitmapInfoHeader& capture);

    // Prepares for frames of `capture`; false when they cannot be translated.
    bool Setup(const DibFormat& capture);
    // The format of the translated frames.
    const DibFormat& OutFormat() const { return outFormat_; }
    // Translates one raw frame into `out` (OutFormat's image size). False when the raw data
    // is shorter than one frame of the capture format.
    bool Translate(std::span<const uint8_t> raw, std::span<uint8_t> out);

private:
    ScaleContextPtr scale_;
    AvFramePtr picture_;  // the translated picture, with libav's row padding
    DibFormat outFormat_;
    AVPixelFormat source_ = AV_PIX_FMT_NONE;
    bool swapChroma_ = false;
    int width_ = 0;
    int height_ = 0;
    int sourceBytes_ = 0;
};

}  // namespace korvex
