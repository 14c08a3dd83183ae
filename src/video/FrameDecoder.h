#pragma once

#include "common/Dib.h"

#include <cstdint>
#include <optional>
#include <span>

namespace korvex {

// One codec's decompression side, as the codec registry hands it out. `FrameDecompressor`
// drives it: open for a compressed format, output format, begin, one call per frame.
class FrameDecoder {
public:
    virtual ~FrameDecoder() = default;

    // Prepares the codec for frames of the compressed format `in`.
    virtual bool Open(const DibFormat& in) = 0;
    // The uncompressed format the frames come out in; nullopt when the codec cannot
    // decompress the compressed format it was opened with.
    virtual std::optional<DibFormat> OutputFormat() const = 0;
    virtual bool Begin() = 0;
    // Decompresses one frame into `out` (the output format's image size). False when the
    // data is not a frame of the opened format or would not fit `out`.
    virtual bool Decode(std::span<const uint8_t> data, std::span<uint8_t> out) = 0;
};

}  // namespace korvex
