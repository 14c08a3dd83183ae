#pragma once

#include <functional>

namespace korvex {

// Where periodic timers run: on QTimer in the programs, on a manual scheduler driven by a
// ManualClock in tests.
class TimerScheduler {
public:
    virtual ~TimerScheduler() = default;
    // Calls `fire` every `periodMs` until stopped. Returns the timer's identifier, 0 when
    // the timer could not be made.
    virtual int StartTimer(int periodMs, std::function<void()> fire) = 0;
    // Stops a timer; safe from inside its own `fire` and for unknown identifiers.
    virtual void StopTimer(int id) = 0;
};

}  // namespace korvex
