#include "video/CodecRegistry.h"

#include "common/FourCC.h"
#include "video/JpegEncoder.h"
#include "video/LibavDecoder.h"
#include "video/LibavEncoder.h"

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>

namespace korvex {

void CodecRegistry::Register(CodecDescriptor descriptor) {
    auto same = std::find_if(codecs_.begin(), codecs_.end(), [&](const CodecDescriptor& codec) {
        return codec.fourcc == descriptor.fourcc;
    });
    if (same != codecs_.end()) {
        *same = std::move(descriptor);
    } else {
        codecs_.push_back(std::move(descriptor));
    }
}

const CodecDescriptor* CodecRegistry::Find(uint32_t fourcc) const {
    for (const CodecDescriptor& codec : codecs_) {
        if (codec.fourcc == fourcc) {
            return &codec;
        }
    }
    return nullptr;
}

std::vector<const CodecDescriptor*> CodecRegistry::Compressors() const {
    std::vector<const CodecDescriptor*> list;
    for (const CodecDescriptor& codec : codecs_) {
        if (codec.createEncoder || codec.fourcc == kFourCCDib) {
            list.push_back(&codec);
        }
    }
    return list;
}

std::unique_ptr<FrameEncoder> CodecRegistry::CreateEncoder(uint32_t fourcc) const {
    const CodecDescriptor* codec = Find(fourcc);
    return codec && codec->createEncoder ? codec->createEncoder() : nullptr;
}

std::unique_ptr<FrameDecoder> CodecRegistry::CreateDecoder(uint32_t fourcc) const {
    const CodecDescriptor* codec = Find(fourcc);
    if (codec && codec->createDecoder) {
        return codec->createDecoder();
    }
    if (libavDecoders_ && fourcc != kFourCCDib && LibavDecoder::Knows(fourcc)) {
        return std::make_unique<LibavDecoder>(fourcc);
    }
    return nullptr;
}

std::vector<uint32_t> CodecRegistry::DecoderCodes() const {
    std::vector<uint32_t> codes;
    for (const CodecDescriptor& codec : codecs_) {
        if (codec.createDecoder) {
            codes.push_back(codec.fourcc);
        }
    }
    if (libavDecoders_) {
        for (uint32_t code : LibavDecoder::KnownCodes()) {
            if (std::find(codes.begin(), codes.end(), code) == codes.end()) {
                codes.push_back(code);
            }
        }
    }
    return codes;
}

CodecRegistry CodecRegistry::Available() {
    // Damaged frames are reported through our own messages, not libavcodec's console lines.
    av_log_set_level(AV_LOG_QUIET);
    CodecRegistry registry;
    registry.Register({kFourCCDib, "Uncompressed", {}, {}});
    CodecDescriptor mjpg{kFourCCMjpg,
                         "Motion JPEG (libjpeg-turbo)",
                         [] { return std::make_unique<JpegEncoder>(); },
                         {}};
    if (LibavDecoder::Knows(kFourCCMjpg)) {
        mjpg.createDecoder = [] { return std::make_unique<LibavDecoder>(kFourCCMjpg); };
    }
    registry.Register(std::move(mjpg));
    for (CodecDescriptor& codec : LibavEncoder::AvailableCodecs()) {
        registry.Register(std::move(codec));
    }
    registry.EnableLibavDecoders();
    return registry;
}

const CodecRegistry& CodecRegistry::Installed() {
    static const CodecRegistry registry = Available();
    return registry;
}

}  // namespace korvex
