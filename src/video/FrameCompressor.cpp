#include "video/FrameCompressor.h"

#include "common/FourCC.h"
#include "common/strings/VideoStrings.h"
#include "video/FrameSize.h"

#include <algorithm>
#include <cstring>

namespace korvex {

FrameCompressor::FrameCompressor(UserPrompt& prompt, const CodecRegistry& codecs)
    : prompt_(prompt), codecs_(codecs) {}

FrameCompressor::~FrameCompressor() {
    Close();
}

bool FrameCompressor::OpenCompressor(uint32_t handler, const DibFormat& inFormat) {
    Close();
    handler_ = handler;
    inFormat_ = inFormat;
    return Begin();
}

bool FrameCompressor::Reopen(const DibFormat& inFormat) {
    return OpenCompressor(handler_, inFormat);
}

void FrameCompressor::Fail(int stringId) {
    Close();
    prompt_.Message(Str(stringId), PromptIcon::Warning);
}

bool FrameCompressor::Begin() {
    Close();
    if (inFormat_.IsEmpty() || !PlausibleFrameSize(inFormat_.Header())) {
        Fail(IDS_COMPRESSOR_FORMAT_UNSUPPORTED);
        return false;
    }
    if (handler_ == kFourCCDib) {
        // The output format is the input's, with a full colour table for 8-bit frames.
        outFormat_ = inFormat_;
        BitmapInfoHeader& in = inFormat_.Header();
        if (in.biBitCount == 8) {
            if (in.biClrUsed == 0) {
                in.biClrUsed = 256;
            }
            const size_t size = in.biSize + 4 * size_t{std::min<uint32_t>(in.biClrUsed, 256)};
            std::vector<uint8_t> bytes(size, 0);
            const auto source = inFormat_.Bytes();
            std::memcpy(bytes.data(), source.data(), std::min(size, source.size()));
            outFormat_ = DibFormat::FromBytes(bytes);
        }
        const int64_t frameBytes = FrameBytes(inFormat_.Header());
        outFormat_.Header().biSizeImage = static_cast<uint32_t>(frameBytes);
        if (!TryAssign(outBits_, static_cast<size_t>(frameBytes))) {
            Fail(IDS_OUT_OF_MEMORY_CLOSE_APPS);
            return false;
        }
    } else {
        codec_ = codecs_.CreateEncoder(handler_);
        if (!codec_) {
            Fail(IDS_COMPRESSOR_OPEN_FAILED);
            return false;
        }
        if (!codec_->Accepts(inFormat_)) {
            Fail(IDS_COMPRESSOR_FORMAT_UNSUPPORTED);
            return false;
        }
        outFormat_ = codec_->OutputFormat(inFormat_);
        if (outFormat_.IsEmpty()) {
            Fail(IDS_COMPRESSOR_FORMAT_UNSUPPORTED);
            return false;
        }
        // An 8-bit output format without its colour table gets room for the full table.
        if (outFormat_.Size() == sizeof(BitmapInfoHeader) && outFormat_.BitCount() == 8) {
            outFormat_.SetColourCount(256);
        }
        if (!TryAssign(outBits_, codec_->MaxFrameBytes(inFormat_))) {
            Fail(IDS_OUT_OF_MEMORY_CLOSE_APPS);
            return false;
        }
        if (!codec_->Begin(inFormat_, outFormat_, quality_)) {
            Fail(IDS_COMPRESSOR_FORMAT_UNSUPPORTED);
            return false;
        }
    }
    open_ = true;
    frameCount_ = 0;
    return true;
}

void FrameCompressor::Close() {
    if (codec_) {
        if (open_) {
            codec_->End();
        }
        codec_.reset();
    }
    open_ = false;
    outBits_ = {};
    outBytes_ = 0;
    outFormat_ = {};
}

std::optional<CompressedFrame> FrameCompressor::CompressFrame(std::span<const uint8_t> bits) {
    if (!open_) {
        return std::nullopt;
    }
    const bool keyDue = frameCount_ % keyInterval_ == 0;
    if (keyDue) {
        frameCount_ = 0;
    }
    const size_t inBytes = static_cast<size_t>(FrameBytes(inFormat_.Header()));
    if (bits.size() < inBytes) {
        prompt_.Message(Str(IDS_COMPRESS_FRAME_FAILED), PromptIcon::Warning);
        return std::nullopt;
    }
    if (handler_ == kFourCCDib) {
        std::memcpy(outBits_.data(), bits.data(), inBytes);
        outBytes_ = inBytes;
        frameCount_ = 0;
        isKeyFrame_ = true;
    } else {
        const auto encoded = codec_->Encode(bits.first(inBytes), keyDue, quality_, outBits_);
        if (!encoded) {
            prompt_.Message(Str(IDS_COMPRESS_FRAME_FAILED), PromptIcon::Warning);
            return std::nullopt;
        }
        outBytes_ = encoded->bytes;
        isKeyFrame_ = keyDue || encoded->keyFrame;
        outFormat_.Header().biSizeImage = static_cast<uint32_t>(outBytes_);
    }
    ++frameCount_;
    return CompressedFrame{std::span<const uint8_t>(outBits_).first(outBytes_), isKeyFrame_};
}

bool FrameCompressor::FallBackToUncompressed() {
    prompt_.Message(Str(IDS_COMPRESSOR_NOW_UNCOMPRESSED), PromptIcon::Information);
    DibFormat in = inFormat_;
    return OpenCompressor(kFourCCDib, in);
}

bool FrameCompressor::IsReady() const {
    return open_;
}

QString FrameCompressor::Describe() const {
    return DescribeHandler(codecs_, open_ ? handler_ : 0);
}

QString FrameCompressor::DescribeHandler(const CodecRegistry& codecs, uint32_t handler) {
    if (handler == kFourCCDib) {
        return Str(IDS_COMPRESSOR_UNCOMPRESSED);
    }
    if (handler == 0) {
        return Str(IDS_COMPRESSOR_NONE_CHOSEN);
    }
    const CodecDescriptor* codec = codecs.Find(handler);
    if (!codec || codec->description.empty()) {
        return Str(IDS_COMPRESSOR_NO_INFO);
    }
    return QString::fromStdString(codec->description);
}

void FrameCompressor::SetKeyInterval(int frames) {
    keyInterval_ = frames > 0 ? frames : kDefaultKeyInterval;
}

void FrameCompressor::SetQuality(int percent) {
    quality_ = std::clamp(percent, 0, 100);
}

bool FrameCompressor::ApplyChoice(const CompressorChoice& choice,
                                  std::span<const uint8_t> currentFrame) {
    SetKeyInterval(choice.keyInterval);
    SetQuality(choice.quality);
    const uint32_t previous = handler_;
    if (choice.handler == handler_ && IsReady()) {
        return true;
    }
    const DibFormat in = inFormat_;
    if (!OpenCompressor(choice.handler, in) || !CompressFrame(currentFrame)) {
        if (previous != 0) {
            OpenCompressor(previous, in);
        }
        return false;
    }
    // The trial frame is not part of any stream: the next real frame starts one.
    ForceKeyFrame();
    return true;
}

CompressorChoice FrameCompressor::ChooserPreset() const {
    if (!IsReady()) {
        return {};
    }
    return CompressorChoice{true, handler_, keyInterval_, quality_};
}

}  // namespace korvex
