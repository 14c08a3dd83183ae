#include "modem/QtTimerScheduler.h"

namespace korvex {

QtTimerScheduler::QtTimerScheduler() = default;

QtTimerScheduler::~QtTimerScheduler() {
    for (auto& [id, timer] : timers_) {
        delete timer;
    }
}

int QtTimerScheduler::StartTimer(int periodMs, std::function<void()> fire) {
    auto* timer = new QTimer;
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(periodMs);
    QObject::connect(timer, &QTimer::timeout, std::move(fire));
    timer->start();
    const int id = nextId_++;
    timers_[id] = timer;
    return id;
}

void QtTimerScheduler::StopTimer(int id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) {
        return;
    }
    it->second->stop();
    // The timer may be stopped from inside its own timeout.
    it->second->deleteLater();
    timers_.erase(it);
}

}  // namespace korvex
