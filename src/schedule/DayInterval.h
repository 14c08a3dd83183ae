#pragma once

namespace korvex {

// A stretch of one day in minutes since midnight, 0..1440. The end is compared inclusively:
// the stretch counts as over once the minute of the day reaches it.
struct DayInterval {
    int start = 0;
    int end = 0;

    friend bool operator==(const DayInterval&, const DayInterval&) = default;
};

}  // namespace korvex
