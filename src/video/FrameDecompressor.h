#pragma once

#include "common/Dib.h"
#include "common/UserPrompt.h"
#include "video/CodecRegistry.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace korvex {

// Turns compressed frames back into uncompressed ones, for the Test preview, playback and
// the capture source's translation. "DIB " frames are copied. A frame whose data does not
// fit the output made from the format is refused, never copied past the buffer.
class FrameDecompressor {
public:
    explicit FrameDecompressor(UserPrompt& prompt,
                               const CodecRegistry& codecs = CodecRegistry::Installed());
    // The registry must outlive the object.
    FrameDecompressor(UserPrompt& prompt, const CodecRegistry&& codecs) = delete;
    ~FrameDecompressor();
    FrameDecompressor(const FrameDecompressor&) = delete;
    FrameDecompressor& operator=(const FrameDecompressor&) = delete;

    bool OpenDecompressor(uint32_t handler, const DibFormat& inFormat);
    void Close();
    bool DecompressFrame(std::span<const uint8_t> bits);
    bool IsReady() const;

    uint32_t Handler() const { return handler_; }
    const DibFormat& OutFormat() const { return outFormat_; }
    std::span<const uint8_t> OutBits() const { return outBits_; }

private:
    void Fail(int stringId);

    UserPrompt& prompt_;
    const CodecRegistry& codecs_;
    std::unique_ptr<FrameDecoder> codec_;
    uint32_t handler_ = 0;
    DibFormat inFormat_;
    DibFormat outFormat_;
    std::vector<uint8_t> outBits_;
    bool open_ = false;
};

}  // namespace korvex
