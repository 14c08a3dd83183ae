#include "video/PixelTranslator.h"

#include "common/FourCC.h"
#include "video/FrameSize.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <cstdlib>
#include <cstring>
#include <utility>

namespace korvex {

namespace {

struct SourceFormat {
    AVPixelFormat pixelFormat = AV_PIX_FMT_NONE;
    bool swapChroma = false;  // YV12: V plane before U
};

SourceFormat SourceFormatOf(const BitmapInfoHeader& capture) {
    if (capture.biCompression == BI_RGB) {
        // Only top-down RGB needs translating; bottom-up RGB is handed out as it is.
        if (capture.biHeight >= 0) {
            return {};
        }
        switch (capture.biBitCount) {
            case 16:
                return {AV_PIX_FMT_RGB555LE};
            case 24:
                return {AV_PIX_FMT_BGR24};
            case 32:
                return {AV_PIX_FMT_BGR0};
            default:
                return {};
        }
    }
    switch (capture.biCompression) {
        case MakeFourCC('Y', 'U', 'Y', '2'):
        case MakeFourCC('Y', 'U', 'Y', 'V'):
            return {AV_PIX_FMT_YUYV422};
        case MakeFourCC('U', 'Y', 'V', 'Y'):
            return {AV_PIX_FMT_UYVY422};
        case MakeFourCC('Y', 'V', 'Y', 'U'):
            return {AV_PIX_FMT_YVYU422};
        case MakeFourCC('N', 'V', '1', '2'):
            return {AV_PIX_FMT_NV12};
        case MakeFourCC('N', 'V', '2', '1'):
            return {AV_PIX_FMT_NV21};
        case MakeFourCC('I', '4', '2', '0'):
        case MakeFourCC('I', 'Y', 'U', 'V'):
        case MakeFourCC('Y', 'U', '1', '2'):
            return {AV_PIX_FMT_YUV420P};
        case MakeFourCC('Y', 'V', '1', '2'):
            return {AV_PIX_FMT_YUV420P, true};
        case MakeFourCC('Y', '8', '0', '0'):
        case MakeFourCC('G', 'R', 'E', 'Y'):
            return {AV_PIX_FMT_GRAY8};
        case MakeFourCC('R', 'G', 'B', '3'):
            return {AV_PIX_FMT_RGB24};
        case MakeFourCC('R', 'G', 'B', 'P'):
            return {AV_PIX_FMT_RGB565LE};
        default:
            return {};
    }
}

}  // namespace

bool PixelTranslator::Supports(const BitmapInfoHeader& capture) {
    return PlausibleFrameSize(capture) && SourceFormatOf(capture).pixelFormat != AV_PIX_FMT_NONE;
}

bool PixelTranslator::Setup(const DibFormat& capture) {
    scale_.reset();
    if (capture.IsEmpty() || !Supports(capture.Header())) {
        return false;
    }
    const SourceFormat source = SourceFormatOf(capture.Header());
    source_ = source.pixelFormat;
    swapChroma_ = source.swapChroma;
    width_ = capture.Width();
    height_ = static_cast<int>(std::llabs(capture.Height()));
    sourceBytes_ = av_image_get_buffer_size(source_, width_, height_, 1);
    scale_.reset(sws_getContext(width_, height_, source_, width_, height_, AV_PIX_FMT_BGR24,
                                SWS_BILINEAR, nullptr, nullptr, nullptr));
    // libswscale may write a little past a row's last pixel: it writes into a picture with
    // libavutil's own row padding, and whole pixel rows go on to the DIB from there.
    picture_.reset(av_frame_alloc());
    if (picture_) {
        picture_->format = AV_PIX_FMT_BGR24;
        picture_->width = width_;
        picture_->height = height_;
    }
    if (!scale_ || sourceBytes_ <= 0 || !picture_ || av_frame_get_buffer(picture_.get(), 0) != 0) {
        scale_.reset();
        return false;
    }
    outFormat_ = DibFormat::Rgb(width_, height_, 24);
    return true;
}

bool PixelTranslator::Translate(std::span<const uint8_t> raw, std::span<uint8_t> out) {
    const int rowBytes = static_cast<int>(DibRowBytes(width_, 24));
    if (!scale_ || raw.size() < static_cast<size_t>(sourceBytes_) ||
        out.size() < static_cast<size_t>(rowBytes) * height_) {
        return false;
    }
    uint8_t* planes[4] = {};
    int strides[4] = {};
    if (av_image_fill_arrays(planes, strides, raw.data(), source_, width_, height_, 1) < 0) {
        return false;
    }
    if (swapChroma_) {
        std::swap(planes[1], planes[2]);
    }
    if (sws_scale(scale_.get(), planes, strides, 0, height_, picture_->data, picture_->linesize) !=
        height_) {
        return false;
    }
    // The DIB is bottom-up: the first picture row goes to its last row.
    for (int y = 0; y < height_; ++y) {
        std::memcpy(out.data() + static_cast<size_t>(rowBytes) * (height_ - 1 - y),
                    picture_->data[0] + static_cast<ptrdiff_t>(picture_->linesize[0]) * y,
                    static_cast<size_t>(width_) * 3);
    }
    return true;
}

}  // namespace korvex
