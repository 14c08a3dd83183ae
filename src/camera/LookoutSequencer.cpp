#include "camera/LookoutSequencer.h"

#include "camera/StatusCaptions.h"
#include "common/StringTable.h"
#include "common/strings/CameraStrings.h"

#include <algorithm>

namespace korvex {

void LookoutSequencer::SetTiming(const LookoutTiming& timing) {
    timing_ = timing;
    timing_.lookOutTime = std::max(timing.lookOutTime, 0);
    timing_.reArmTime = std::max(timing.reArmTime, 0);
}

void LookoutSequencer::Reset() {
    Enter(Armed, kStatusWaiting);
}

void LookoutSequencer::Enter(State state, int statusIndex) {
    state_ = state;
    statusIndex_ = statusIndex;
}

LookoutSequencer::Result LookoutSequencer::FireNow() {
    actions_.FireAlertActions();
    Enter(Fired, kStatusAbortRearm);
    return Result::Fired;
}

LookoutSequencer::Result LookoutSequencer::Step(bool motion, std::time_t nowSeconds) {
    switch (state_) {
        case Armed:
            if (motion) {
                if (timing_.lookOutTime == 0) {
                    return FireNow();
                }
                detectStart_ = nowSeconds;
                Enter(Confirming, kStatusKorvex);
            }
            return Result::None;
        case Confirming:
            if (!motion) {
                mark_ = nowSeconds;
                Enter(Pausing, kStatusWaiting);
            } else if (nowSeconds - detectStart_ >= timing_.lookOutTime) {
                return FireNow();
            }
            return Result::None;
        case Pausing:
            // Motion resuming within the grace continues the count from detectStart.
            if (motion) {
                Enter(Confirming, kStatusKorvex);
            } else if (nowSeconds - mark_ >= kPauseGraceSec) {
                Enter(Armed, kStatusWaiting);
            }
            return Result::None;
        case Fired:
            if (!timing_.doReArm) {
                statusIndex_ = kStatusIdle;
                return Result::Finished;
            }
            if (!motion || timing_.reArmTime == 0) {
                mark_ = nowSeconds;
                Enter(Rearming, kStatusRearming);
            }
            return Result::None;
        case Rearming:
            if (motion && timing_.reArmTime > 0) {
                Enter(Fired, kStatusAbortRearm);
            } else if (nowSeconds - mark_ >= timing_.reArmTime) {
                Enter(Armed, kStatusWaiting);
            }
            return Result::None;
    }
    prompt_.Message(Str(IDS_INTERNAL_ERROR), PromptIcon::Error);
    return Result::None;
}

}  // namespace korvex
