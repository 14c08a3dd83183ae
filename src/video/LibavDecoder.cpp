#include "video/LibavDecoder.h"

#include "video/FrameSize.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

#include <cstdlib>
#include <cstring>
#include <set>

namespace korvex {

namespace {
AVCodecID CodecIdFor(uint32_t fourcc) {
    const AVCodecTag* const tables[] = {avformat_get_riff_video_tags(), nullptr};
    return av_codec_get_id(tables, fourcc);
}
}  // namespace

bool LibavDecoder::Knows(uint32_t fourcc) {
    const AVCodecID id = CodecIdFor(fourcc);
    return id != AV_CODEC_ID_NONE && avcodec_find_decoder(id) != nullptr;
}

std::vector<uint32_t> LibavDecoder::KnownCodes() {
    const AVCodecTag* const tables[] = {avformat_get_riff_video_tags(), nullptr};
    std::set<AVCodecID> seen;
    std::vector<uint32_t> codes;
    void* iterator = nullptr;
    while (const AVCodec* codec = av_codec_iterate(&iterator)) {
        if (!av_codec_is_decoder(codec) || codec->type != AVMEDIA_TYPE_VIDEO ||
            !seen.insert(codec->id).second) {
            continue;
        }
        unsigned int tag = 0;
        if (av_codec_get_tag2(tables, codec->id, &tag) && tag != 0 && Knows(tag)) {
            codes.push_back(tag);
        }
    }
    return codes;
}

bool LibavDecoder::Open(const DibFormat& in) {
    codec_ = Knows(fourcc_) ? avcodec_find_decoder(CodecIdFor(fourcc_)) : nullptr;
    if (!codec_ || in.IsEmpty()) {
        return false;
    }
    context_.reset(avcodec_alloc_context3(codec_));
    frame_.reset(av_frame_alloc());
    picture_.reset(av_frame_alloc());
    packet_.reset(av_packet_alloc());
    if (!context_ || !frame_ || !picture_ || !packet_) {
        return false;
    }
    const BitmapInfoHeader& header = in.Header();
    width_ = header.biWidth;
    height_ = static_cast<int>(std::llabs(header.biHeight));
    AVCodecContext* c = context_.get();
    c->width = width_;
    c->height = height_;
    c->codec_tag = fourcc_;
    c->bits_per_coded_sample = header.biBitCount;
    c->thread_count = 1;
    // Codec data that follows the header in the format block, as AVI files keep it.
    const auto bytes = in.Bytes();
    const size_t headerBytes = std::min<size_t>(header.biSize, bytes.size());
    if (header.biSize >= sizeof(BitmapInfoHeader) && bytes.size() > headerBytes) {
        const size_t extra = bytes.size() - headerBytes;
        c->extradata = static_cast<uint8_t*>(av_mallocz(extra + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!c->extradata) {
            return false;
        }
        std::memcpy(c->extradata, bytes.data() + headerBytes, extra);
        c->extradata_size = static_cast<int>(extra);
    }
    return true;
}

std::optional<DibFormat> LibavDecoder::OutputFormat() const {
    BitmapInfoHeader header;
    header.biWidth = width_;
    header.biHeight = height_;
    if (!context_ || !PlausibleFrameSize(header)) {
        return std::nullopt;
    }
    return DibFormat::Rgb(width_, height_, 24);
}

bool LibavDecoder::Begin() {
    if (!context_ || avcodec_open2(context_.get(), codec_, nullptr) != 0) {
        return false;
    }
    // libswscale may write a little past a row's last pixel: it writes into a picture with
    // libavutil's own row padding, and whole pixel rows go on to the DIB from there.
    picture_->format = AV_PIX_FMT_BGR24;
    picture_->width = width_;
    picture_->height = height_;
    return av_frame_get_buffer(picture_.get(), 0) == 0;
}

bool LibavDecoder::Decode(std::span<const uint8_t> data, std::span<uint8_t> out) {
    const int rowBytes = static_cast<int>(DibRowBytes(width_, 24));
    if (!context_ || data.empty() || data.size() > INT32_MAX - AV_INPUT_BUFFER_PADDING_SIZE ||
        out.size() < static_cast<size_t>(rowBytes) * height_) {
        return false;
    }
    // The decoder may read a little past the data: it gets a zero-padded copy.
    input_.resize(data.size() + AV_INPUT_BUFFER_PADDING_SIZE);
    std::memcpy(input_.data(), data.data(), data.size());
    std::memset(input_.data() + data.size(), 0, AV_INPUT_BUFFER_PADDING_SIZE);
    packet_->data = input_.data();
    packet_->size = static_cast<int>(data.size());
    const int sent = avcodec_send_packet(context_.get(), packet_.get());
    packet_->data = nullptr;
    packet_->size = 0;
    if (sent < 0) {
        return false;
    }
    bool got = false;
    while (avcodec_receive_frame(context_.get(), frame_.get()) == 0) {
        got = frame_->width == width_ && frame_->height == height_;
        if (got) {
            scale_.reset(sws_getCachedContext(
                scale_.release(), width_, height_, static_cast<AVPixelFormat>(frame_->format),
                width_, height_, AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr));
            got = scale_ != nullptr;
        }
        if (got) {
            got = sws_scale(scale_.get(), frame_->data, frame_->linesize, 0, height_,
                            picture_->data, picture_->linesize) == height_;
        }
        if (got) {
            // Bottom-up: the first picture row becomes the DIB's last row.
            for (int y = 0; y < height_; ++y) {
                std::memcpy(out.data() + static_cast<size_t>(rowBytes) * (height_ - 1 - y),
                            picture_->data[0] + static_cast<ptrdiff_t>(picture_->linesize[0]) * y,
                            static_cast<size_t>(width_) * 3);
            }
        }
        av_frame_unref(frame_.get());
    }
    return got;
}

}  // namespace korvex
