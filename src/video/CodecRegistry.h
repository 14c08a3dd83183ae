#pragma once

#include "video/FrameDecoder.h"
#include "video/FrameEncoder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace korvex {

// One codec as the registry offers it: its four-character code, the description the
// compressor chooser shows, and how to make its two sides (either may be missing).
struct CodecDescriptor {
    uint32_t fourcc = 0;
    std::string description;
    std::function<std::unique_ptr<FrameEncoder>()> createEncoder;
    std::function<std::unique_ptr<FrameDecoder>()> createDecoder;
};

// The codecs of this machine, standing where the installable compression manager stood:
// "DIB " (uncompressed, handled by the compressor classes themselves), "MJPG" through
// libjpeg, and the codecs of libavcodec, each registered only when the library really has
// it. Codes without a descriptor of their own are decoded by libavcodec when it knows them,
// so recordings made with other codecs still play.
class CodecRegistry {
public:
    // Adds a codec, replacing one with the same code.
    void Register(CodecDescriptor descriptor);
    // Decodes codes without a descriptor through libavcodec's table of AVI codes.
    void EnableLibavDecoders() { libavDecoders_ = true; }

    const CodecDescriptor* Find(uint32_t fourcc) const;
    // Codecs that can compress, in registration order ("DIB " first).
    std::vector<const CodecDescriptor*> Compressors() const;
    std::unique_ptr<FrameEncoder> CreateEncoder(uint32_t fourcc) const;
    std::unique_ptr<FrameDecoder> CreateDecoder(uint32_t fourcc) const;
    // One code for every codec that can decompress (for tests and fuzzing).
    std::vector<uint32_t> DecoderCodes() const;

    // The registry of every codec this machine offers.
    static CodecRegistry Available();
    // The process-wide registry, built once on first use.
    static const CodecRegistry& Installed();

private:
    std::vector<CodecDescriptor> codecs_;
    bool libavDecoders_ = false;
};

}  // namespace korvex
