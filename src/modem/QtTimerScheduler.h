#pragma once

#include "modem/TimerScheduler.h"

#include <QTimer>

#include <map>
#include <memory>

namespace korvex {

// Timers on the Qt event loop (precise QTimers).
class QtTimerScheduler : public TimerScheduler {
public:
    QtTimerScheduler();
    ~QtTimerScheduler() override;
    int StartTimer(int periodMs, std::function<void()> fire) override;
    void StopTimer(int id) override;

private:
    std::map<int, QTimer*> timers_;
    int nextId_ = 1;
};

}  // namespace korvex
