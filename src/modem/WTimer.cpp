#include "modem/WTimer.h"

namespace korvex {

WTimer::WTimer(TimerScheduler& scheduler, WTimerUser& user, int periodMs)
    : scheduler_(scheduler), user_(user), periodMs_(periodMs) {}

WTimer::~WTimer() {
    Stop();
}

bool WTimer::SetPeriod(int periodMs) {
    if (IsRunning()) {
        return false;
    }
    periodMs_ = periodMs;
    return true;
}

bool WTimer::Start() {
    if (IsRunning()) {
        return true;
    }
    id_ = scheduler_.StartTimer(periodMs_, [this] { user_.WTimerUserOnTimer(*this); });
    return id_ != 0;
}

void WTimer::Stop() {
    if (id_ != 0) {
        scheduler_.StopTimer(id_);
        id_ = 0;
    }
}

}  // namespace korvex
