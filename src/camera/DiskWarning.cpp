#include "camera/DiskWarning.h"

#include <algorithm>

namespace korvex {

DiskWarning::DiskWarning(int firstPercent, int incrementPercent)
    : firstPercent_(std::clamp(firstPercent, 0, 100)),
      incrementPercent_(std::clamp(incrementPercent, 1, 100)),
      threshold_(firstPercent_) {}

int DiskWarning::UsedPercent(uint64_t availableBytes, uint64_t totalBytes) {
    if (totalBytes == 0) {
        return 0;
    }
    // In 128 bits, so a drive of any size multiplies by 100 without overflow.
    const auto available = static_cast<unsigned __int128>(std::min(availableBytes, totalBytes));
    return 100 - static_cast<int>(available * 100 / totalBytes);
}

bool DiskWarning::Check(uint64_t availableBytes, uint64_t totalBytes) {
    const int used = UsedPercent(availableBytes, totalBytes);
    if (threshold_ >= used) {
        return false;
    }
    // The smallest number of steps that brings the threshold to the usage or above.
    const int steps = (used - threshold_ + incrementPercent_ - 1) / incrementPercent_;
    threshold_ += steps * incrementPercent_;
    return true;
}

}  // namespace korvex
