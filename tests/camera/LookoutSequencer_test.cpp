#include "camera/LookoutSequencer.h"

#include "camera/StatusCaptions.h"
#include "common/StringTable.h"
#include "common/strings/CameraStrings.h"

#include <gmock/gmock.h>

namespace korvex {
namespace {

using Result = LookoutSequencer::Result;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class CountingActions : public LookoutActions {
public:
    void FireAlertActions() override { ++fired; }
    int fired = 0;
};

class LookoutSequencerTest : public ::testing::Test {
protected:
    void Arm(int lookOutTime, int reArmTime, bool doReArm = true) {
        sequencer_.SetTiming({lookOutTime, reArmTime, doReArm});
        sequencer_.Reset();
    }

    // Steps once per second from `from`, with motion as `frames` says ('M' or '.'), and
    // returns the results.
    std::vector<Result> Run(const std::string& frames, std::time_t from) {
        std::vector<Result> results;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            results.push_back(sequencer_.Step(frames[i] == 'M', from + std::time_t(i)));
            EXPECT_TRUE(StatusCaptions::IsValidIndex(sequencer_.statusIndex()));
        }
        return results;
    }

    // The seconds (counted from 0) at which the sequencer fired.
    std::vector<int> FiringSeconds(const std::string& frames) {
        std::vector<int> seconds;
        const auto results = Run(frames, 1000);
        for (std::size_t i = 0; i < results.size(); ++i) {
            if (results[i] == Result::Fired) {
                seconds.push_back(int(i));
            }
        }
        return seconds;
    }

    CountingActions actions_;
    RecordingPrompt prompt_;
    LookoutSequencer sequencer_{actions_, prompt_};
};

TEST_F(LookoutSequencerTest, NoWaitFiresOnTheFirstMotionAndRunsTheActionsFirst) {
    Arm(0, 0);
    EXPECT_EQ(sequencer_.Step(false, 100), Result::None);
    EXPECT_EQ(actions_.fired, 0);
    EXPECT_EQ(sequencer_.Step(true, 101), Result::Fired);
    EXPECT_EQ(actions_.fired, 1);
    EXPECT_EQ(sequencer_.state(), LookoutSequencer::Fired);
    EXPECT_EQ(sequencer_.statusIndex(), kStatusAbortRearm);
}

TEST_F(LookoutSequencerTest, ShortPauseKeepsCountingLongPauseRestarts) {
    Arm(3, 60);
    // Motion at 0, a one-second gap, motion again: fires 3 s after the motion began.
    EXPECT_THAT(FiringSeconds("M.MM"), ElementsAre(3));

    Arm(3, 60);
    // A two-second gap re-arms; the count starts again at 4 and fires at 7.
    EXPECT_THAT(FiringSeconds("M...MMMM"), ElementsAre(7));
}

TEST_F(LookoutSequencerTest, WithoutReArmFiresOnceThenFinishes) {
    Arm(0, 0, false);
    EXPECT_THAT(Run("MMM", 0), ElementsAre(Result::Fired, Result::Finished, Result::Finished));
    EXPECT_EQ(actions_.fired, 1);
    EXPECT_EQ(sequencer_.statusIndex(), kStatusIdle);
}

TEST_F(LookoutSequencerTest, BothTimesZeroFireEveryThirdStep) {
    Arm(0, 0);
    std::vector<Result> results;
    for (int i = 0; i < 9; ++i) {
        results.push_back(sequencer_.Step(true, 500));
    }
    EXPECT_THAT(results,
                ElementsAre(Result::Fired, Result::None, Result::None, Result::Fired, Result::None,
                            Result::None, Result::Fired, Result::None, Result::None));
    EXPECT_EQ(actions_.fired, 3);
}

TEST_F(LookoutSequencerTest, MotionAfterFiringHoldsUntilStillForTheReArmTime) {
    Arm(0, 10);
    ASSERT_EQ(sequencer_.Step(true, 0), Result::Fired);
    for (std::time_t t = 1; t <= 60; ++t) {
        EXPECT_EQ(sequencer_.Step(true, t), Result::None);
        EXPECT_EQ(sequencer_.statusIndex(), kStatusAbortRearm);
    }
    Run(".........", 61);
    EXPECT_EQ(sequencer_.state(), LookoutSequencer::Rearming);
    EXPECT_EQ(sequencer_.statusIndex(), kStatusRearming);
    Run(".", 71);
    EXPECT_EQ(sequencer_.state(), LookoutSequencer::Armed);
    EXPECT_EQ(sequencer_.statusIndex(), kStatusWaiting);
    EXPECT_EQ(actions_.fired, 1);
}

TEST_F(LookoutSequencerTest, MotionWhileReArmingGoesBackToHoldingWithoutFiring) {
    Arm(0, 10);
    Run("M...", 0);
    EXPECT_EQ(sequencer_.state(), LookoutSequencer::Rearming);
    EXPECT_THAT(Run("M", 4), ElementsAre(Result::None));
    EXPECT_EQ(sequencer_.state(), LookoutSequencer::Fired);
    EXPECT_EQ(actions_.fired, 1);
}

TEST_F(LookoutSequencerTest, ImpossibleStateReportsAnInternalErrorAndChangesNothing) {
    Arm(0, 0);
    for (int state : {0, 6, -3}) {
        prompt_.Clear();
        sequencer_.ForceStateForTest(state);
        EXPECT_EQ(sequencer_.Step(true, 10), Result::None);
        EXPECT_EQ(sequencer_.state(), state);
        EXPECT_EQ(sequencer_.statusIndex(), kStatusWaiting);
        EXPECT_THAT(prompt_.Texts(), ElementsAre(Str(IDS_INTERNAL_ERROR)));
    }
    EXPECT_EQ(actions_.fired, 0);
}

TEST_F(LookoutSequencerTest, NegativeTimesCountAsZero) {
    Arm(-5, -5);
    EXPECT_EQ(sequencer_.Timing().lookOutTime, 0);
    EXPECT_EQ(sequencer_.Step(true, 0), Result::Fired);
    EXPECT_THAT(prompt_.Texts(), IsEmpty());
}

}  // namespace
}  // namespace korvex
