#pragma once

#include "common/Clock.h"
#include "common/SettingsStore.h"
#include "video/CaptureDevice.h"

#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace korvex {

// One capture driver: its description and how to connect to it. `open` gives nullptr when
// the device cannot be connected (unplugged, busy).
struct CaptureDriver {
    QString description;
    std::function<std::unique_ptr<CaptureDevice>()> open;
};

// The capture drivers of the machine (at most 10), built once at start: the V4L2 capture
// devices, then the Demo Camera unless "Settings" / "DemoCamera" is 0. A camera's number is
// its driver's index; a driver taken by a camera window is marked in use.
class CaptureDriverList {
public:
    static constexpr int kMaxDrivers = 10;

    // Adds a driver; false when the list is full.
    bool Add(CaptureDriver driver);
    // The Demo Camera runs on `clock`, which must outlive the list.
    static CaptureDriverList Build(const SettingsStore& settings, const Clock& clock);

    int Count() const { return static_cast<int>(drivers_.size()); }
    QString Description(int index) const;
    std::unique_ptr<CaptureDevice> Open(int index) const;

    bool IsInUse(int index) const;
    void SetInUse(int index, bool inUse);
    // The "Select a Camera" line of a driver: "Cam%d : %s" or "Cam%d : IN USE - %s".
    QString ChoiceLine(int index) const;

private:
    std::vector<CaptureDriver> drivers_;
    std::array<bool, kMaxDrivers> inUse_{};
};

}  // namespace korvex
