#pragma once

#include <cstdint>

namespace korvex {

// The disk-usage warning of a recording camera: the first page comes when the drive's
// usage passes the first level, each further one when it passes the next step.
class DiskWarning {
public:
    // Levels in percent, kept within 0..100 (the step within 1..100).
    DiskWarning(int firstPercent, int incrementPercent);

    // Back to the first level (Observe starts).
    void Reset() { threshold_ = firstPercent_; }

    // Percent of the drive in use from its available and total bytes; 0 when the total is
    // unknown (0).
    static int UsedPercent(uint64_t availableBytes, uint64_t totalBytes);

    // Checks the usage and raises the threshold past it; true when a page is due.
    bool Check(uint64_t availableBytes, uint64_t totalBytes);

    int threshold() const { return threshold_; }

private:
    int firstPercent_;
    int incrementPercent_;
    int threshold_;
};

}  // namespace korvex
