#pragma once

#include "modem/TimerScheduler.h"
#include "modem/WTimerUser.h"

namespace korvex {

// A periodic timer that calls its user. The scheduler keeps the table from identifier to
// timer; stopping removes the entry, so a stopped timer never fires.
class WTimer {
public:
    WTimer(TimerScheduler& scheduler, WTimerUser& user, int periodMs = 1000);
    ~WTimer();
    WTimer(const WTimer&) = delete;
    WTimer& operator=(const WTimer&) = delete;

    // Refused (false) while the timer runs.
    bool SetPeriod(int periodMs);
    int PeriodMs() const { return periodMs_; }
    // Does nothing when running; false when the scheduler refuses.
    bool Start();
    void Stop();
    bool IsRunning() const { return id_ != 0; }

private:
    TimerScheduler& scheduler_;
    WTimerUser& user_;
    int periodMs_;
    int id_ = 0;
};

}  // namespace korvex
