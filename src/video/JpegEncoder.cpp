#include "video/JpegEncoder.h"

#include "common/FourCC.h"
#include "video/FrameSize.h"

#include <algorithm>

namespace korvex {

void JpegEncoder::InitDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->out->data();
    dest->pub.free_in_buffer = dest->out->size();
}

// The whole buffer is full: double it and carry on behind the old end.
boolean JpegEncoder::EmptyOutputBuffer(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    std::vector<uint8_t>& out = *dest->out;
    const size_t used = out.size();
    out.resize(std::max<size_t>(used * 2, 4096));
    dest->pub.next_output_byte = out.data() + used;
    dest->pub.free_in_buffer = out.size() - used;
    return TRUE;
}

void JpegEncoder::TermDestination(j_compress_ptr) {}

JpegEncoder::~JpegEncoder() {
    End();
}

bool JpegEncoder::Accepts(const DibFormat& in) const {
    if (in.IsEmpty()) {
        return false;
    }
    const BitmapInfoHeader& h = in.Header();
    return IsBasicRgb(h) && (h.biBitCount == 24 || h.biBitCount == 32) && PlausibleFrameSize(h) &&
           h.biWidth <= JPEG_MAX_DIMENSION && h.biHeight <= JPEG_MAX_DIMENSION;
}

DibFormat JpegEncoder::OutputFormat(const DibFormat& in) const {
    DibFormat out = DibFormat::Rgb(in.Width(), in.Height(), 24);
    out.Header().biCompression = kFourCCMjpg;
    out.Header().biSizeImage = static_cast<uint32_t>(MaxFrameBytes(in));
    return out;
}

size_t JpegEncoder::MaxFrameBytes(const DibFormat& in) const {
    return static_cast<size_t>(DibImageBytes(in.Width(), in.Height(), 24)) + 65536;
}

bool JpegEncoder::Begin(const DibFormat& in, const DibFormat&, int quality) {
    End();
    cinfo_.err = error_.Install();
    if (setjmp(error_.jump)) {
        End();
        return false;
    }
    jpeg_create_compress(&cinfo_);
    created_ = true;
    cinfo_.dest = &destination_.pub;
    destination_.pub.init_destination = InitDestination;
    destination_.pub.empty_output_buffer = EmptyOutputBuffer;
    destination_.pub.term_destination = TermDestination;
    cinfo_.image_width = static_cast<JDIMENSION>(in.Width());
    cinfo_.image_height = static_cast<JDIMENSION>(in.Height());
    cinfo_.input_components = in.BitCount() / 8;
    cinfo_.in_color_space = in.BitCount() == 24 ? JCS_EXT_BGR : JCS_EXT_BGRX;
    jpeg_set_defaults(&cinfo_);
    cinfo_.dct_method = JDCT_IFAST;
    quality_ = std::clamp(quality, 0, 100);
    jpeg_set_quality(&cinfo_, std::max(quality_, 1), TRUE);
    rowBytes_ = static_cast<int>(DibRowBytes(in.Width(), in.BitCount()));
    rows_.assign(static_cast<size_t>(in.Height()), nullptr);
    return true;
}

std::optional<EncodedFrame> JpegEncoder::Encode(std::span<const uint8_t> bits, bool, int quality,
                                                std::vector<uint8_t>& out) {
    if (!created_ || bits.size() < rows_.size() * static_cast<size_t>(rowBytes_)) {
        return std::nullopt;
    }
    destination_.out = &out;
    if (out.empty()) {
        out.resize(4096);
    }
    if (setjmp(error_.jump)) {
        jpeg_abort_compress(&cinfo_);
        return std::nullopt;
    }
    if (quality != quality_) {
        quality_ = std::clamp(quality, 0, 100);
        jpeg_set_quality(&cinfo_, std::max(quality_, 1), TRUE);
    }
    // Top picture row first: the DIB's last row.
    auto* last = const_cast<uint8_t*>(bits.data()) + (rows_.size() - 1) * rowBytes_;
    for (size_t i = 0; i < rows_.size(); ++i) {
        rows_[i] = last - i * rowBytes_;
    }
    jpeg_start_compress(&cinfo_, TRUE);
    jpeg_write_scanlines(&cinfo_, rows_.data(), static_cast<JDIMENSION>(rows_.size()));
    jpeg_finish_compress(&cinfo_);
    const size_t bytes = out.size() - destination_.pub.free_in_buffer;
    return EncodedFrame{bytes, true};
}

void JpegEncoder::End() {
    if (created_) {
        jpeg_destroy_compress(&cinfo_);
        created_ = false;
    }
}

}  // namespace korvex
