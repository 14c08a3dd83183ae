#pragma once

#include "video/CodecRegistry.h"
#include "video/FrameEncoder.h"
#include "video/LibavHandles.h"

#include <cstdint>
#include <vector>

namespace korvex {

// How one libavcodec encoder is run for us.
struct LibavEncoderSettings {
    const char* encoderName = nullptr;  // libavcodec's name of the encoder
    uint32_t fourcc = 0;
    const char* description = nullptr;
    AVPixelFormat pixelFormat = AV_PIX_FMT_NONE;
    // The encoder decides key frames itself: a due key frame restarts it instead.
    bool restartForKeyFrame = false;
    // The codec takes only even picture sizes.
    bool evenSize = false;
    // Codec options for a quality of 0..100.
    void (*configure)(AVCodecContext* context, int quality) = nullptr;
    // The per-frame quality value (lambda) for a quality of 0..100, when the codec takes one.
    int (*frameQuality)(int quality) = nullptr;
};

// A libavcodec encoder run synchronously: one frame in, one packet out, no B-frames, no
// look-ahead, stream headers inside every key frame (no global headers), so each key frame
// decodes on its own and the format block stays a plain header. A key frame is made exactly
// when one is asked for.
class LibavEncoder : public FrameEncoder {
public:
    explicit LibavEncoder(const LibavEncoderSettings& settings) : settings_(settings) {}

    bool Accepts(const DibFormat& in) const override;
    DibFormat OutputFormat(const DibFormat& in) const override;
    size_t MaxFrameBytes(const DibFormat& in) const override;
    bool Begin(const DibFormat& in, const DibFormat& out, int quality) override;
    std::optional<EncodedFrame> Encode(std::span<const uint8_t> bits, bool keyFrame, int quality,
                                       std::vector<uint8_t>& out) override;
    void End() override;

    // Descriptors of the encoders this libavcodec really has, each with libavcodec's
    // decoder for its code.
    static std::vector<CodecDescriptor> AvailableCodecs();

private:
    bool OpenContext(int quality);

    LibavEncoderSettings settings_;
    CodecContextPtr context_;
    AvFramePtr frame_;
    AvPacketPtr packet_;
    ScaleContextPtr scale_;
    int width_ = 0;
    int height_ = 0;
    int bitCount_ = 0;
    int openQuality_ = 0;
    int64_t pts_ = 0;
};

}  // namespace korvex
