#include "camera/FramePacing.h"

#include <algorithm>

namespace korvex {

int64_t FramePacing::RecordStepCost(int64_t costMs) {
    const int64_t counted = std::clamp<int64_t>(costMs, 0, kMaxStepCostMs);
    averageMs_ = (averageMs_ + counted) / 2;
    return counted;
}

int64_t FramePacing::NextStepDelayMs(int64_t costMs, int64_t allAveragesMs, int framePerSec) {
    int64_t load = allAveragesMs - costMs;
    if (load < 1) {
        load = kFloorDelayMs;
    }
    int64_t rate = 1000 / std::max(framePerSec, 1) - costMs;
    if (rate < 1) {
        rate = kFloorDelayMs;
    }
    return std::max(load, rate);
}

}  // namespace korvex
