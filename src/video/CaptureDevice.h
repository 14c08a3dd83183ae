#pragma once

#include "common/Dib.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace korvex {

// One picture format a device offers, for the video format dialog: biCompression's value
// (BI_RGB or a four-character code), size and depth.
struct CaptureFormatOption {
    uint32_t compression = BI_RGB;
    int width = 0;
    int height = 0;
    int bitCount = 0;

    bool operator==(const CaptureFormatOption&) const = default;
};

// One adjustable control of a device (brightness, contrast, ...), for the video source
// dialog.
struct DeviceControl {
    uint32_t id = 0;
    std::string name;
    int minimum = 0;
    int maximum = 0;
    int step = 1;
    int defaultValue = 0;
    int value = 0;
};

// A connected capture device, as a capture driver opens it. Frames are pulled one at a time.
class CaptureDevice {
public:
    virtual ~CaptureDevice() = default;

    // The format of the frames `Grab` hands out: a header (plus colour table) whose
    // biCompression is BI_RGB or the four-character code of a YUV or compressed format;
    // empty when the device cannot report one. YUV frames are top-down, RGB frames with a
    // negative height too.
    virtual DibFormat Format() const = 0;
    // The newest frame's data, valid until the next `Grab`; nullopt when the device gives none
    // (unplugged, stalled).
    virtual std::optional<std::span<const uint8_t>> Grab() = 0;

    virtual std::vector<CaptureFormatOption> Formats() const = 0;
    virtual bool SetFormat(const CaptureFormatOption& format) = 0;
    virtual std::vector<DeviceControl> Controls() const { return {}; }
    virtual bool SetControl(uint32_t /*id*/, int /*value*/) { return false; }
};

}  // namespace korvex
