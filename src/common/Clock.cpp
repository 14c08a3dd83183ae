#include "common/Clock.h"

#include <chrono>

namespace korvex {

int64_t SystemClock::NowMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::time_t SystemClock::WallSeconds() const {
    return std::time(nullptr);
}

SystemClock& SystemClock::Instance() {
    static SystemClock clock;
    return clock;
}

}  // namespace korvex
