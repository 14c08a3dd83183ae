#include "video/FrameDecompressor.h"

#include "common/FourCC.h"
#include "common/strings/VideoStrings.h"
#include "video/FrameSize.h"

#include <cstring>

namespace korvex {

FrameDecompressor::FrameDecompressor(UserPrompt& prompt, const CodecRegistry& codecs)
    : prompt_(prompt), codecs_(codecs) {}

FrameDecompressor::~FrameDecompressor() {
    Close();
}

void FrameDecompressor::Fail(int stringId) {
    Close();
    prompt_.Message(Str(stringId), PromptIcon::Warning);
}

bool FrameDecompressor::OpenDecompressor(uint32_t handler, const DibFormat& inFormat) {
    Close();
    handler_ = handler;
    inFormat_ = inFormat;
    if (inFormat_.IsEmpty()) {
        Fail(IDS_BAD_DEC_INP);
        return false;
    }
    if (handler_ == kFourCCDib) {
        if (!IsBasicRgb(inFormat_.Header()) || !PlausibleFrameSize(inFormat_.Header())) {
            Fail(IDS_BAD_DEC_INP);
            return false;
        }
        outFormat_ = inFormat_;
        outFormat_.Header().biSizeImage = static_cast<uint32_t>(FrameBytes(inFormat_.Header()));
    } else {
        codec_ = codecs_.CreateDecoder(handler_);
        if (!codec_ || !codec_->Open(inFormat_)) {
            Fail(IDS_DECOMPRESSOR_OPEN_FAILED);
            return false;
        }
        auto format = codec_->OutputFormat();
        if (!format || format->IsEmpty() || !PlausibleFrameSize(format->Header())) {
            Fail(IDS_BAD_DEC_INP);
            return false;
        }
        outFormat_ = std::move(*format);
    }
    if (!TryAssign(outBits_, static_cast<size_t>(FrameBytes(outFormat_.Header())))) {
        Fail(IDS_OUT_OF_MEMORY_CLOSE_APPS);
        return false;
    }
    if (codec_ && !codec_->Begin()) {
        Fail(IDS_DECOMPRESSOR_START_FAILED);
        return false;
    }
    open_ = true;
    return true;
}

void FrameDecompressor::Close() {
    codec_.reset();
    open_ = false;
    outBits_ = {};
    outFormat_ = {};
}

bool FrameDecompressor::IsReady() const {
    return open_;
}

bool FrameDecompressor::DecompressFrame(std::span<const uint8_t> bits) {
    if (!open_) {
        return false;
    }
    bool decoded = false;
    if (handler_ == kFourCCDib) {
        // A record must be exactly one picture of the format: a longer one would run past
        // the output buffer, a shorter one past the record.
        decoded = bits.size() == outBits_.size();
        if (decoded) {
            std::memcpy(outBits_.data(), bits.data(), bits.size());
        }
    } else {
        decoded = codec_->Decode(bits, outBits_);
    }
    if (!decoded) {
        prompt_.Message(Str(IDS_DECOMPRESS_FRAME_FAILED), PromptIcon::Warning);
    }
    return decoded;
}

}  // namespace korvex
