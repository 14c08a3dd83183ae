#pragma once

#include "video/FrameDecoder.h"
#include "video/LibavHandles.h"

#include <cstdint>
#include <vector>

namespace korvex {

// Decompression by libavcodec for any four-character code its table of AVI codes knows.
// Frames come out as 24-bit bottom-up DIBs of the compressed format's size; a frame of
// another size is refused.
class LibavDecoder : public FrameDecoder {
public:
    explicit LibavDecoder(uint32_t fourcc) : fourcc_(fourcc) {}

    bool Open(const DibFormat& in) override;
    std::optional<DibFormat> OutputFormat() const override;
    bool Begin() override;
    bool Decode(std::span<const uint8_t> data, std::span<uint8_t> out) override;

    // Whether libavcodec has a decoder for the code.
    static bool Knows(uint32_t fourcc);
    // One code for each libavcodec video decoder that has an AVI code.
    static std::vector<uint32_t> KnownCodes();

private:
    uint32_t fourcc_;
    const AVCodec* codec_ = nullptr;
    CodecContextPtr context_;
    AvFramePtr frame_;
    AvFramePtr picture_;  // the decoded picture in BGR, with libav's row padding
    AvPacketPtr packet_;
    ScaleContextPtr scale_;
    std::vector<uint8_t> input_;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace korvex
