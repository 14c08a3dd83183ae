#include "video/LibavEncoder.h"

#include "common/FourCC.h"
#include "video/FrameSize.h"
#include "video/LibavDecoder.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <algorithm>
#include <climits>
#include <cstring>

namespace korvex {

namespace {

// MPEG-4 part 2: quality 100 is quantiser 1, quality 0 quantiser 31.
int Mpeg4Lambda(int quality) {
    return (31 - quality * 30 / 100) * FF_QP2LAMBDA;
}

void ConfigureMpeg4(AVCodecContext* context, int quality) {
    context->flags |= AV_CODEC_FLAG_QSCALE;
    context->global_quality = Mpeg4Lambda(quality);
    // The longest interval the encoder allows; key frames come when we ask for them.
    context->gop_size = 600;
    av_opt_set_int(context, "sc_threshold", 1000000000, AV_OPT_SEARCH_CHILDREN);
}

// H.264: quality 100 is CRF 12 (visually lossless), quality 0 CRF 51.
void ConfigureX264(AVCodecContext* context, int quality) {
    context->gop_size = 1 << 30;
    av_opt_set(context->priv_data, "preset", "veryfast", 0);
    av_opt_set(context->priv_data, "tune", "zerolatency", 0);
    av_opt_set_double(context->priv_data, "crf", 12.0 + (100 - quality) * 39.0 / 100.0, 0);
    av_opt_set_int(context->priv_data, "forced-idr", 1, 0);
    av_opt_set(context->priv_data, "x264-params", "keyint=infinite:scenecut=0:bframes=0", 0);
}

// FFV1 is lossless: quality has nothing to choose. Its key frames come from its own
// frame counter, so the encoder is restarted when a key frame is due.
void ConfigureFfv1(AVCodecContext* context, int) {
    context->gop_size = 1 << 30;
}

const LibavEncoderSettings kEncoders[] = {
    {"mpeg4", MakeFourCC('F', 'M', 'P', '4'), "MPEG-4 part 2 (libavcodec)", AV_PIX_FMT_YUV420P,
     false, false, ConfigureMpeg4, Mpeg4Lambda},
    {"libx264", MakeFourCC('H', '2', '6', '4'), "H.264 (libx264)", AV_PIX_FMT_YUV420P, false, true,
     ConfigureX264, nullptr},
    {"ffv1", MakeFourCC('F', 'F', 'V', '1'), "FFV1 lossless (libavcodec)", AV_PIX_FMT_0RGB32, true,
     false, ConfigureFfv1, nullptr},
};

AVPixelFormat DibPixelFormat(int bitCount) {
    switch (bitCount) {
        case 16:
            return AV_PIX_FMT_RGB555LE;
        case 24:
            return AV_PIX_FMT_BGR24;
        case 32:
            return AV_PIX_FMT_BGR0;
        default:
            return AV_PIX_FMT_NONE;
    }
}

}  // namespace

std::vector<CodecDescriptor> LibavEncoder::AvailableCodecs() {
    std::vector<CodecDescriptor> codecs;
    for (const LibavEncoderSettings& settings : kEncoders) {
        if (!avcodec_find_encoder_by_name(settings.encoderName)) {
            continue;
        }
        CodecDescriptor codec;
        codec.fourcc = settings.fourcc;
        codec.description = settings.description;
        codec.createEncoder = [&settings] { return std::make_unique<LibavEncoder>(settings); };
        if (LibavDecoder::Knows(settings.fourcc)) {
            const uint32_t fourcc = settings.fourcc;
            codec.createDecoder = [fourcc] { return std::make_unique<LibavDecoder>(fourcc); };
        }
        codecs.push_back(std::move(codec));
    }
    return codecs;
}

bool LibavEncoder::Accepts(const DibFormat& in) const {
    // Odd sizes are refused here rather than by the codec, whose failed open leaks.
    return !in.IsEmpty() && IsBasicRgb(in.Header()) && PlausibleFrameSize(in.Header()) &&
           DibPixelFormat(in.BitCount()) != AV_PIX_FMT_NONE &&
           (!settings_.evenSize || (in.Width() % 2 == 0 && in.Height() % 2 == 0));
}

DibFormat LibavEncoder::OutputFormat(const DibFormat& in) const {
    DibFormat out = DibFormat::Rgb(in.Width(), in.Height(), 24);
    out.Header().biCompression = settings_.fourcc;
    out.Header().biSizeImage = static_cast<uint32_t>(MaxFrameBytes(in));
    return out;
}

size_t LibavEncoder::MaxFrameBytes(const DibFormat& in) const {
    return static_cast<size_t>(DibImageBytes(in.Width(), in.Height(), 32)) + 65536;
}

bool LibavEncoder::OpenContext(int quality) {
    const AVCodec* codec = avcodec_find_encoder_by_name(settings_.encoderName);
    if (!codec) {
        return false;
    }
    context_.reset(avcodec_alloc_context3(codec));
    if (!context_) {
        return false;
    }
    AVCodecContext* c = context_.get();
    c->width = width_;
    c->height = height_;
    c->pix_fmt = settings_.pixelFormat;
    c->time_base = AVRational{1, 25};
    c->framerate = AVRational{25, 1};
    c->max_b_frames = 0;
    c->thread_count = 1;
    c->flags &= ~AV_CODEC_FLAG_GLOBAL_HEADER;
    settings_.configure(c, quality);
    if (avcodec_open2(c, codec, nullptr) < 0) {
        context_.reset();
        return false;
    }
    openQuality_ = quality;
    return true;
}

bool LibavEncoder::Begin(const DibFormat& in, const DibFormat&, int quality) {
    End();
    width_ = in.Width();
    height_ = in.Height();
    bitCount_ = in.BitCount();
    pts_ = 0;
    frame_.reset(av_frame_alloc());
    packet_.reset(av_packet_alloc());
    scale_.reset(sws_getContext(width_, height_, DibPixelFormat(bitCount_), width_, height_,
                                settings_.pixelFormat, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!frame_ || !packet_ || !scale_ || !OpenContext(std::clamp(quality, 0, 100))) {
        End();
        return false;
    }
    frame_->format = settings_.pixelFormat;
    frame_->width = width_;
    frame_->height = height_;
    if (av_frame_get_buffer(frame_.get(), 0) < 0) {
        End();
        return false;
    }
    return true;
}

std::optional<EncodedFrame> LibavEncoder::Encode(std::span<const uint8_t> bits, bool keyFrame,
                                                 int quality, std::vector<uint8_t>& out) {
    const int rowBytes = static_cast<int>(DibRowBytes(width_, bitCount_));
    if (!context_ || bits.size() < static_cast<size_t>(rowBytes) * height_) {
        return std::nullopt;
    }
    quality = std::clamp(quality, 0, 100);
    // A codec without a per-frame quality takes a new quality at the next key frame, where a
    // restart costs the stream nothing.
    const bool qualityChanged = !settings_.frameQuality && quality != openQuality_;
    if (keyFrame && pts_ > 0 && (settings_.restartForKeyFrame || qualityChanged)) {
        if (!OpenContext(quality)) {
            return std::nullopt;
        }
    }
    if (av_frame_make_writable(frame_.get()) < 0) {
        return std::nullopt;
    }
    // The DIB is bottom-up: start at its last row and step backwards.
    const uint8_t* source[1] = {bits.data() + static_cast<size_t>(rowBytes) * (height_ - 1)};
    const int sourceStride[1] = {-rowBytes};
    sws_scale(scale_.get(), source, sourceStride, 0, height_, frame_->data, frame_->linesize);
    frame_->pts = pts_++;
    frame_->pict_type = keyFrame ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    if (settings_.frameQuality) {
        frame_->quality = settings_.frameQuality(quality);
    }
    if (avcodec_send_frame(context_.get(), frame_.get()) < 0 ||
        avcodec_receive_packet(context_.get(), packet_.get()) < 0) {
        return std::nullopt;
    }
    const size_t bytes = static_cast<size_t>(packet_->size);
    if (out.size() < bytes) {
        out.resize(bytes);
    }
    std::memcpy(out.data(), packet_->data, bytes);
    const bool key = (packet_->flags & AV_PKT_FLAG_KEY) != 0;
    av_packet_unref(packet_.get());
    return EncodedFrame{bytes, key};
}

void LibavEncoder::End() {
    context_.reset();
    frame_.reset();
    packet_.reset();
    scale_.reset();
}

}  // namespace korvex
