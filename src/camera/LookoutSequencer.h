#pragma once

#include "camera/LookoutActions.h"
#include "common/UserPrompt.h"

#include <ctime>

namespace korvex {

// The camera's "\LookOut" settings the sequencer works with.
struct LookoutTiming {
    int lookOutTime = 0;  // seconds of continuous motion before firing; 0 fires at once
    int reArmTime = 0;    // seconds of stillness before re-arming
    bool doReArm = true;
};

// Turns the motion verdicts of an armed Lookout into alert firings: it fires once motion
// has lasted lookOutTime seconds (pauses shorter than the grace don't restart the count),
// holds while motion goes on, and re-arms after reArmTime seconds of stillness, or reports
// that Lookout is finished when re-arming is off.
class LookoutSequencer {
public:
    enum State : int { Armed = 1, Confirming = 2, Pausing = 3, Fired = 4, Rearming = 5 };
    enum class Result { None, Fired, Finished };

    // Seconds motion may pause without restarting the count.
    static constexpr std::time_t kPauseGraceSec = 2;

    LookoutSequencer(LookoutActions& actions, UserPrompt& prompt)
        : actions_(actions), prompt_(prompt) {}

    // Takes the settings over; negative times count as 0.
    void SetTiming(const LookoutTiming& timing);
    const LookoutTiming& Timing() const { return timing_; }

    // Back to Armed with the "Waiting..." caption.
    void Reset();

    // One frame's verdict at `nowSeconds` of the wall clock. On firing the alert actions
    // run before Fired is reported.
    Result Step(bool motion, std::time_t nowSeconds);

    int state() const { return state_; }
    // The caption index to show while Lookout runs.
    int statusIndex() const { return statusIndex_; }

    // Puts the sequencer into any state number, for checking how an impossible one is
    // handled.
    void ForceStateForTest(int state) { state_ = state; }

private:
    Result FireNow();
    void Enter(State state, int statusIndex);

    LookoutActions& actions_;
    UserPrompt& prompt_;
    LookoutTiming timing_;
    int state_ = Armed;
    int statusIndex_ = 1;
    std::time_t detectStart_ = 0;
    std::time_t mark_ = 0;
};

}  // namespace korvex
