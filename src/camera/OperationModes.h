#pragma once

#include <cstdint>

namespace korvex {

// The operations running on one camera, as a bit set; no bit set is Idle.
using OperationModes = uint32_t;

enum OperationMode : OperationModes {
    kOperationIdle = 0,
    kOperationLookout = 0x01,
    kOperationObserve = 0x02,
    kOperationPlayback = 0x04,
    kOperationTest = 0x08,
    kOperationTimer = 0x10,
};

// The word the status line uses for one operation bit; "Idle" for none.
constexpr const char* OperationWord(OperationMode mode) {
    switch (mode) {
        case kOperationLookout:
            return "Lookout";
        case kOperationObserve:
            return "Observe";
        case kOperationPlayback:
            return "Playback";
        case kOperationTest:
            return "Test";
        case kOperationTimer:
            return "Timer";
        case kOperationIdle:
            break;
    }
    return "Idle";
}

}  // namespace korvex
