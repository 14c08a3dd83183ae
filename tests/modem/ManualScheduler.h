#pragma once

#include "common/Clock.h"
#include "modem/TimerScheduler.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <map>

namespace korvex::test {

// Timers in simulated time: AdvanceMs moves the ManualClock forward and fires every timer
// that falls due on the way, in time order.
class ManualScheduler : public TimerScheduler {
public:
    explicit ManualScheduler(ManualClock& clock) : clock_(clock) {}

    int StartTimer(int periodMs, std::function<void()> fire) override {
        const int id = nextId_++;
        timers_[id] =
            Entry{periodMs > 0 ? periodMs : 1, clock_.NowMs() + periodMs, std::move(fire)};
        return id;
    }
    void StopTimer(int id) override { timers_.erase(id); }

    void AdvanceMs(int64_t ms) {
        const int64_t target = clock_.NowMs() + ms;
        for (;;) {
            auto next = timers_.end();
            for (auto it = timers_.begin(); it != timers_.end(); ++it) {
                if (it->second.dueMs <= target &&
                    (next == timers_.end() || it->second.dueMs < next->second.dueMs)) {
                    next = it;
                }
            }
            if (next == timers_.end()) {
                break;
            }
            if (next->second.dueMs > clock_.NowMs()) {
                clock_.AdvanceMs(next->second.dueMs - clock_.NowMs());
            }
            next->second.dueMs += next->second.periodMs;
            std::function<void()> fire = next->second.fire;
            fire();
        }
        clock_.AdvanceMs(target - clock_.NowMs());
    }

    // Runs simulated time in steps, letting the Qt event loop deliver what real sockets,
    // devices and deferred notifications bring in between.
    void RunMs(int64_t ms, int64_t stepMs = 10) {
        for (int64_t done = 0; done < ms; done += stepMs) {
            QCoreApplication::processEvents();
            AdvanceMs(stepMs);
        }
        QCoreApplication::processEvents();
    }

    // Runs until `done()` holds or `limitMs` of simulated time have passed.
    template <typename Pred>
    bool RunUntil(Pred done, int64_t limitMs, int64_t stepMs = 10) {
        for (int64_t spent = 0; spent <= limitMs; spent += stepMs) {
            QCoreApplication::processEvents();
            if (done()) {
                return true;
            }
            AdvanceMs(stepMs);
        }
        return done();
    }

    // Like RunUntil, for tests with real sockets or devices: each step also waits up to a
    // millisecond of real time for their events, so simulated time cannot outrun them.
    template <typename Pred>
    bool RunUntilWithIo(Pred done, int64_t limitMs, int64_t stepMs = 10) {
        for (int64_t spent = 0; spent <= limitMs; spent += stepMs) {
            QEventLoop loop;
            QTimer::singleShot(1, &loop, &QEventLoop::quit);
            loop.exec();
            if (done()) {
                return true;
            }
            AdvanceMs(stepMs);
        }
        return done();
    }

private:
    struct Entry {
        int periodMs;
        int64_t dueMs;
        std::function<void()> fire;
    };
    ManualClock& clock_;
    std::map<int, Entry> timers_;
    int nextId_ = 1;
};

}  // namespace korvex::test
