#pragma once

#include "common/Dib.h"
#include "common/UserPrompt.h"
#include "video/CaptureDriverList.h"
#include "video/CodecRegistry.h"
#include "video/FrameDecompressor.h"
#include "video/PixelTranslator.h"

#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace korvex {

// A camera window's connection to its capture driver. It grabs one frame per call and hands
// every frame out as basic RGB (uncompressed, bottom-up, 8/16/24/32 bits): frames in other
// formats are translated, first by libswscale, else by the codec registry's decompressors.
// A frame handed out is valid until the next `Grab`.
class CaptureSource {
public:
    CaptureSource(const CaptureDriverList& drivers, UserPrompt& prompt,
                  const CodecRegistry& codecs = CodecRegistry::Installed());
    CaptureSource(const CaptureDriverList&&, UserPrompt&, const CodecRegistry& = {}) = delete;
    ~CaptureSource();
    CaptureSource(const CaptureSource&) = delete;
    CaptureSource& operator=(const CaptureSource&) = delete;

    // Connects to a driver and attaches to it.
    bool Open(int driverIndex);
    // Connects to the first driver that is not in use and connects; on failure the source
    // stays unconnected (driver index -1).
    bool OpenFirstFree();
    // Connects to another driver.
    bool Reconnect(int driverIndex);
    bool Attach();
    // Learns the capture format, grabs a first frame and sets up translation.
    bool ReadFormat();
    // Grabs the newest frame. A failure (camera unplugged, no frame in time) is not reported:
    // the caller simply has no new frame.
    bool Grab();
    bool IsReady() const;

    // Formats and controls of the connected device, for the format and source dialogs.
    std::vector<CaptureFormatOption> Formats() const;
    // Sets the device's format (the format dialog's choice), then `ReadFormat`.
    bool SetFormat(const CaptureFormatOption& format);
    std::vector<DeviceControl> Controls() const;
    bool SetControl(uint32_t id, int value);

    const DibFormat& OutFormat() const { return outFormat_; }
    std::span<const uint8_t> OutBits() const { return outBits_; }
    const DibFormat& CaptureFormat() const { return captureFormat_; }
    int DriverIndex() const { return driverIndex_; }
    bool IsTranslating() const { return translating_; }

private:
    // Passes messages on only while `open` is set: frame-by-frame failures stay quiet.
    class GatedPrompt : public UserPrompt {
    public:
        explicit GatedPrompt(UserPrompt& target) : target_(target) {}
        void Message(const QString& text, PromptIcon icon) override;
        PromptAnswer Ask(const QString& text, PromptButtons buttons,
                         PromptAnswer defaultAnswer) override;
        bool open = false;

    private:
        UserPrompt& target_;
    };

    bool Connect(int driverIndex);
    void ReleaseTranslators();
    bool SetUpTranslator(std::span<const uint8_t> raw);
    bool TranslateWithScaler(std::span<const uint8_t> raw);
    bool TranslateWithDecompressor(std::span<const uint8_t> raw);

    const CaptureDriverList& drivers_;
    UserPrompt& prompt_;
    const CodecRegistry& codecs_;
    GatedPrompt decompressorPrompt_;
    std::unique_ptr<CaptureDevice> device_;
    std::unique_ptr<FrameDecompressor> decompressor_;
    std::unique_ptr<PixelTranslator> scaler_;
    bool tryScaler_ = true;
    bool translating_ = false;
    DibFormat outFormat_;
    DibFormat captureFormat_;
    int driverIndex_ = -1;
    std::span<const uint8_t> rawBits_;
    std::span<const uint8_t> outBits_;
    std::vector<uint8_t> translatedBits_;
};

}  // namespace korvex
