#pragma once

#include "common/Clock.h"
#include "video/CaptureDevice.h"

#include <cstdint>
#include <vector>

namespace korvex {

// A camera for machines without one, registered like any other driver. It shows a textured
// still scene with a little sensor noise; for 6 seconds in every 20 seconds of its clock an
// object crosses the picture from left to right. Frames are a pure function of the clock,
// so a test sees the same frames every time.
class DemoCamera : public CaptureDevice {
public:
    static constexpr int64_t kCycleMs = 20000;
    static constexpr int64_t kObjectStartMs = 7000;
    static constexpr int64_t kObjectMs = 6000;

    explicit DemoCamera(const Clock& clock);

    DibFormat Format() const override;
    std::optional<std::span<const uint8_t>> Grab() override;
    std::vector<CaptureFormatOption> Formats() const override;
    bool SetFormat(const CaptureFormatOption& format) override;

    // Whether the object is in the picture at a time of the clock.
    static bool ObjectVisibleAt(int64_t nowMs);

private:
    void DrawBackground();
    void Render(int64_t nowMs);

    const Clock& clock_;
    CaptureFormatOption format_;
    std::vector<uint8_t> background_;  // top-down blue-green-red, no row padding
    std::vector<uint8_t> scene_;       // the current picture, laid out as background_
    std::vector<uint8_t> frame_;       // the frame as handed out
};

}  // namespace korvex
