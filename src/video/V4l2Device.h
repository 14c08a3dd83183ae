#pragma once

#include "video/CaptureDevice.h"
#include "video/CaptureDriverList.h"
#include "video/NewestBufferKeeper.h"
#include "video/V4l2Handles.h"

#include <string>
#include <vector>

namespace korvex {

// A V4L2 video capture device through libv4l2: memory-mapped streaming with a few buffers,
// `Grab` handing out the newest filled buffer.
class V4l2Device : public CaptureDevice {
public:
    // One driver per video capture device node, described by its card name.
    static std::vector<CaptureDriver> Drivers();
    // Opens and starts streaming; nullptr when the device cannot be used.
    static std::unique_ptr<V4l2Device> Open(const std::string& path);
    ~V4l2Device() override;

    DibFormat Format() const override { return format_; }
    std::optional<std::span<const uint8_t>> Grab() override;
    std::vector<CaptureFormatOption> Formats() const override;
    bool SetFormat(const CaptureFormatOption& format) override;
    std::vector<DeviceControl> Controls() const override;
    bool SetControl(uint32_t id, int value) override;

private:
    explicit V4l2Device(V4l2Fd fd) : fd_(std::move(fd)) {}
    bool ReadFormat();
    bool StartStreaming();
    void StopStreaming();

    V4l2Fd fd_;
    std::vector<MappedBuffer> buffers_;
    NewestBufferKeeper keeper_;
    DibFormat format_;
    bool streaming_ = false;
};

}  // namespace korvex
