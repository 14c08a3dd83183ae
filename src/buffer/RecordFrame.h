#pragma once

#include "common/Dib.h"

#include <cstdint>
#include <optional>
#include <span>

namespace korvex {

class FrameCompressor;
class UserPrompt;

// The frame of one frame step as the recorders store it. It is compressed at most once,
// when the first recorder stores it, and a second recorder (the secondary working
// directory) stores the very same bytes and key flag.
class RecordFrame {
public:
    RecordFrame(FrameCompressor& compressor, UserPrompt& prompt, const DibFormat& rawFormat,
                std::span<const uint8_t> rawBits)
        : compressor_(compressor), prompt_(prompt), rawFormat_(rawFormat), rawBits_(rawBits) {}

    // The compressed frame; a key frame when `keyFrame` and nothing was compressed yet.
    // Nullopt when no compressor is usable (message 194, then the compressor falls back to
    // uncompressed) or the compression failed.
    std::optional<std::span<const uint8_t>> Compressed(bool keyFrame);
    bool IsKeyFrame() const { return keyFrame_; }

    const DibFormat& RawFormat() const { return rawFormat_; }
    std::span<const uint8_t> RawBits() const { return rawBits_; }

private:
    FrameCompressor& compressor_;
    UserPrompt& prompt_;
    const DibFormat& rawFormat_;
    std::span<const uint8_t> rawBits_;
    bool tried_ = false;
    bool ok_ = false;
    bool keyFrame_ = false;
    // Points into the compressor's buffer, which lives until its next call: within the
    // frame step.
    std::span<const uint8_t> data_;
};

}  // namespace korvex
