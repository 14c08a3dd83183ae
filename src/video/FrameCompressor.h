#pragma once

#include "common/Dib.h"
#include "common/UserPrompt.h"
#include "video/CodecRegistry.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace korvex {

// The compressed form of one frame: its bytes (valid until the next call on the
// compressor) and whether it is a key frame, which decodes on its own.
struct CompressedFrame {
    std::span<const uint8_t> data;
    bool keyFrame = false;
};

// What the compressor chooser works on and hands back: the chosen code, the key-frame rate
// and the quality in percent. `valid` is false for a chooser opened without preselection.
struct CompressorChoice {
    bool valid = false;
    uint32_t handler = 0;
    int keyInterval = 0;
    int quality = 0;
};

// Compresses the frames of one camera for its video buffer and its Test preview, with a
// codec of the registry or, for the handler "DIB ", by plain copy. Failures are reported to
// the user through `prompt` with the texts users know, and leave the compressor closed.
class FrameCompressor {
public:
    static constexpr int kDefaultKeyInterval = 25;
    static constexpr int kDefaultQuality = 80;

    explicit FrameCompressor(UserPrompt& prompt,
                             const CodecRegistry& codecs = CodecRegistry::Installed());
    // The registry must outlive the object.
    FrameCompressor(UserPrompt& prompt, const CodecRegistry&& codecs) = delete;
    ~FrameCompressor();
    FrameCompressor(const FrameCompressor&) = delete;
    FrameCompressor& operator=(const FrameCompressor&) = delete;

    // Records the handler and the format of the frames to come, then `Begin`.
    bool OpenCompressor(uint32_t handler, const DibFormat& inFormat);
    bool Begin();
    // `Close`, then `Begin` with the same handler for frames of `inFormat`.
    bool Reopen(const DibFormat& inFormat);
    void Close();

    // Compresses one frame of the input format. A key frame is made every keyInterval
    // frames after an open, and after `ForceKeyFrame`.
    std::optional<CompressedFrame> CompressFrame(std::span<const uint8_t> bits);
    void ForceKeyFrame() { frameCount_ = 0; }
    // Tells the user, then opens again uncompressed for the same input format.
    bool FallBackToUncompressed();

    // The codec's description ("Uncompressed." for "DIB ").
    QString Describe() const;
    bool IsReady() const;

    // Key frame every `frames` frames; 0 or less (a cleared key-frame box) means the default,
    // since seeking and the event index of the video buffer need key frames.
    void SetKeyInterval(int frames);
    int KeyInterval() const { return keyInterval_; }
    // Quality in percent, 0..100.
    void SetQuality(int percent);
    int Quality() const { return quality_; }

    uint32_t Handler() const { return handler_; }
    const DibFormat& InFormat() const { return inFormat_; }
    // The compressed format: the format block a video buffer stores in its header. After a
    // frame its biSizeImage is that frame's compressed size.
    const DibFormat& OutFormat() const { return outFormat_; }
    bool IsKeyFrame() const { return isKeyFrame_; }

    // The chooser's preset: the current handler, key-frame rate and quality when the
    // compressor is ready, otherwise a record without preselection.
    CompressorChoice ChooserPreset() const;
    // Takes the chooser's answer: its key-frame rate and quality, and its codec if that opens
    // for the input format and compresses `currentFrame`; otherwise the codec in use before
    // is opened again and the result is false.
    bool ApplyChoice(const CompressorChoice& choice, std::span<const uint8_t> currentFrame);
    // The text shown for a handler: "Uncompressed.", the codec's description,
    // "No compressor information." or, for 0, "No compressor chosen.".
    static QString DescribeHandler(const CodecRegistry& codecs, uint32_t handler);

private:
    void Fail(int stringId);

    UserPrompt& prompt_;
    const CodecRegistry& codecs_;
    std::unique_ptr<FrameEncoder> codec_;
    int frameCount_ = 0;
    DibFormat inFormat_;
    DibFormat outFormat_;
    uint32_t handler_ = 0;
    std::vector<uint8_t> outBits_;
    size_t outBytes_ = 0;
    int keyInterval_ = kDefaultKeyInterval;
    int quality_ = kDefaultQuality;
    bool isKeyFrame_ = false;
    bool open_ = false;
};

}  // namespace korvex
