#pragma once

#include <cstdint>
#include <ctime>

namespace korvex {

// Time for logic that depends on it: a monotonic millisecond count and the wall clock.
// Programs use SystemClock; tests use ManualClock and run in simulated time.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds of a monotonic clock (like the time since system start).
    virtual int64_t NowMs() const = 0;
    // Seconds since 1970 of the wall clock.
    virtual std::time_t WallSeconds() const = 0;
};

class SystemClock : public Clock {
public:
    int64_t NowMs() const override;
    std::time_t WallSeconds() const override;
    // The one instance programs share.
    static SystemClock& Instance();
};

class ManualClock : public Clock {
public:
    explicit ManualClock(int64_t nowMs = 0, std::time_t wall = 0) : nowMs_(nowMs), wall_(wall) {}
    int64_t NowMs() const override { return nowMs_; }
    std::time_t WallSeconds() const override { return wall_ + nowMs_ / 1000; }
    // Moves both clocks forward.
    void AdvanceMs(int64_t ms) { nowMs_ += ms; }
    void SetWallBase(std::time_t wall) { wall_ = wall; }

private:
    int64_t nowMs_;
    std::time_t wall_;
};

}  // namespace korvex
