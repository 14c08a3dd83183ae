#pragma once

#include <cstdint>

namespace korvex {

// Paces one camera's frame steps (or one playback's ticks). Each step's cost feeds a running
// average; the next step waits for the larger of what the camera's frame rate leaves of
// the period and what the other cameras' average costs add up to, so a camera never runs
// faster than its rate and all cameras slow down together when they are busy.
class FramePacing {
public:
    // A single step counts at most this much.
    static constexpr int64_t kMaxStepCostMs = 2000;
    // The delay used when the computed one is not positive.
    static constexpr int64_t kFloorDelayMs = 20;

    // Records the cost of the step that just ended; returns it as counted (capped).
    int64_t RecordStepCost(int64_t costMs);
    int64_t AverageCostMs() const { return averageMs_; }

    // The delay before the next step of a camera whose step cost `costMs` (as counted),
    // with `allAveragesMs` the sum of the average costs of every open camera and playback
    // (this one included) and `framePerSec` the camera's rate (below 1 counts as 1).
    static int64_t NextStepDelayMs(int64_t costMs, int64_t allAveragesMs, int framePerSec);

private:
    int64_t averageMs_ = 0;
};

}  // namespace korvex
