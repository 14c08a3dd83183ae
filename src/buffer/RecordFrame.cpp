#include "buffer/RecordFrame.h"

#include "common/FourCC.h"
#include "common/UserPrompt.h"
#include "common/strings/CameraStrings.h"
#include "video/FrameCompressor.h"

namespace korvex {

std::optional<std::span<const uint8_t>> RecordFrame::Compressed(bool keyFrame) {
    if (!tried_) {
        tried_ = true;
        if (!compressor_.IsReady() && compressor_.Handler() != kFourCCDib) {
            prompt_.Message(Str(IDS_NO_COMPRESSOR), PromptIcon::Error);
            compressor_.FallBackToUncompressed();
            return std::nullopt;
        }
        if (keyFrame) {
            compressor_.ForceKeyFrame();
        }
        const auto frame = compressor_.CompressFrame(rawBits_);
        if (frame) {
            data_ = frame->data;
            keyFrame_ = frame->keyFrame;
            ok_ = true;
        }
    }
    if (!ok_) {
        return std::nullopt;
    }
    return data_;
}

}  // namespace korvex
