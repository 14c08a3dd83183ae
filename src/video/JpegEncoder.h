#pragma once

#include "video/FrameEncoder.h"
#include "video/JpegErrorManager.h"

#include <vector>

namespace korvex {

// "MJPG": every frame a baseline JPEG made by libjpeg(-turbo), so every frame is a key
// frame. The DIB's blue-green-red pixels go in as they are (libjpeg-turbo's BGR input) and
// its bottom-up rows are handed over from the last to the first, so nothing is copied.
class JpegEncoder : public FrameEncoder {
public:
    JpegEncoder() = default;
    ~JpegEncoder() override;
    JpegEncoder(const JpegEncoder&) = delete;
    JpegEncoder& operator=(const JpegEncoder&) = delete;

    bool Accepts(const DibFormat& in) const override;
    DibFormat OutputFormat(const DibFormat& in) const override;
    size_t MaxFrameBytes(const DibFormat& in) const override;
    bool Begin(const DibFormat& in, const DibFormat& out, int quality) override;
    std::optional<EncodedFrame> Encode(std::span<const uint8_t> bits, bool keyFrame, int quality,
                                       std::vector<uint8_t>& out) override;
    void End() override;

private:
    // libjpeg's destination writing into a vector that grows when a frame needs more.
    struct VectorDestination {
        jpeg_destination_mgr pub{};
        std::vector<uint8_t>* out = nullptr;
    };
    static void InitDestination(j_compress_ptr cinfo);
    static boolean EmptyOutputBuffer(j_compress_ptr cinfo);
    static void TermDestination(j_compress_ptr cinfo);

    JpegErrorManager error_;
    jpeg_compress_struct cinfo_{};
    VectorDestination destination_;
    std::vector<JSAMPROW> rows_;
    bool created_ = false;
    int quality_ = -1;
    int rowBytes_ = 0;
};

}  // namespace korvex
