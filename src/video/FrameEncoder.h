#pragma once

#include "common/Dib.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace korvex {

// What one compressed frame came out as.
struct EncodedFrame {
    size_t bytes = 0;
    bool keyFrame = false;
};

// One codec's compression side, as the codec registry hands it out. `FrameCompressor`
// drives it: query, format, size, begin, one call per frame, end.
class FrameEncoder {
public:
    virtual ~FrameEncoder() = default;

    // Whether the codec can compress frames of this format.
    virtual bool Accepts(const DibFormat& in) const = 0;
    // The compressed format for frames of `in`: a header, and a colour table when the codec
    // has one.
    virtual DibFormat OutputFormat(const DibFormat& in) const = 0;
    // The largest compressed frame the codec produces for frames of `in`.
    virtual size_t MaxFrameBytes(const DibFormat& in) const = 0;
    // Starts a stream; false when the codec will not begin with these formats.
    virtual bool Begin(const DibFormat& in, const DibFormat& out, int quality) = 0;
    // Compresses one frame of the begun input format into `out`, which is grown when a
    // frame needs more than it holds. `quality` is 0..100.
    virtual std::optional<EncodedFrame> Encode(std::span<const uint8_t> bits, bool keyFrame,
                                               int quality, std::vector<uint8_t>& out) = 0;
    virtual void End() = 0;
};

}  // namespace korvex
