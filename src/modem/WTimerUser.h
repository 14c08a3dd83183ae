#pragma once

namespace korvex {

class WTimer;

// The one operation a timer's user has: being told that the timer fired.
class WTimerUser {
public:
    virtual ~WTimerUser() = default;
    virtual void WTimerUserOnTimer(WTimer& timer) = 0;
};

}  // namespace korvex
