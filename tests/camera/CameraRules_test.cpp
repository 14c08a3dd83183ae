#include "camera/DiskWarning.h"
#include "camera/FramePacing.h"
#include "camera/StatusCaptions.h"

#include "common/StringTable.h"
#include "common/strings/CameraStrings.h"

#include <gmock/gmock.h>

namespace korvex {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(StatusCaptionsTest, TableFromTheStrings) {
    RecordingPrompt prompt;
    StatusCaptions captions(prompt);
    EXPECT_THAT(prompt.Texts(), IsEmpty());
    EXPECT_EQ(captions.Caption(kStatusRearming).text, "Re-arming...");
    EXPECT_EQ(captions.Caption(kStatusRearming).colour, (CaptionColour{192, 0, 192}));
    EXPECT_EQ(captions.Caption(kStatusKorvex).colour, (CaptionColour{255, 0, 0}));
    EXPECT_EQ(captions.Caption(kStatusTransmitting).stringId, 212);
    EXPECT_EQ(captions.Caption(kStatusTransmitting).text, "Transmitting...");
    // Outside the table: the Idle caption.
    EXPECT_EQ(captions.Caption(9).text, "Idle");
    EXPECT_EQ(captions.Caption(-1).text, "Idle");
}

TEST(StatusCaptionsTest, MissingStringsTakeTheirFallbackAndAreReportedOnce) {
    RecordingPrompt prompt;
    StatusCaptions captions(prompt, [](int id) -> const char* {
        return id == IDS_STATUS_ABORT_REARM || id == IDS_STATUS_XMIT ? nullptr : FindString(id);
    });
    EXPECT_THAT(prompt.Texts(), ElementsAre(Str(IDS_RESOURCE_CORRUPTED)));
    EXPECT_EQ(captions.Caption(kStatusAbortRearm).text, "Abort Re-arm Lookout");
    EXPECT_EQ(captions.Caption(kStatusTransmitting).text, "Xmiting...");
    EXPECT_EQ(captions.Caption(kStatusWaiting).text, "Waiting...");
}

TEST(FramePacingTest, NextStepAfterWhatTheRateLeaves) {
    FramePacing pacing;
    const int64_t cost = pacing.RecordStepCost(30);
    EXPECT_EQ(pacing.AverageCostMs(), 15);
    EXPECT_EQ(FramePacing::NextStepDelayMs(cost, pacing.AverageCostMs(), 5), 170);
}

TEST(FramePacingTest, SlowStepCountsAsTwoSecondsAndWaitsTheFloor) {
    FramePacing pacing;
    const int64_t cost = pacing.RecordStepCost(2500);
    EXPECT_EQ(cost, 2000);
    EXPECT_EQ(FramePacing::NextStepDelayMs(cost, pacing.AverageCostMs(), 5), 20);
}

TEST(FramePacingTest, BusyCamerasSlowEachOtherDown) {
    // Four cameras averaging 100 ms each: a 10 ms step of one waits for the others.
    EXPECT_EQ(FramePacing::NextStepDelayMs(10, 400, 25), 390);
}

TEST(FramePacingTest, RateBelowOneDoesNotDivideByZero) {
    EXPECT_EQ(FramePacing::NextStepDelayMs(0, 0, 0), 1000);
    EXPECT_EQ(FramePacing::NextStepDelayMs(0, 0, -3), 1000);
}

TEST(DiskWarningTest, PagesAtFirstLevelAndAtEachFurtherStep) {
    constexpr uint64_t kTotal = 1000000000;
    DiskWarning warning(75, 3);
    EXPECT_FALSE(warning.Check(kTotal * 30 / 100, kTotal));
    EXPECT_TRUE(warning.Check(kTotal * 20 / 100, kTotal));
    EXPECT_EQ(warning.threshold(), 81);
    EXPECT_TRUE(warning.Check(kTotal * 18 / 100, kTotal));
    EXPECT_EQ(warning.threshold(), 84);
    EXPECT_FALSE(warning.Check(kTotal * 17 / 100, kTotal));
    warning.Reset();
    EXPECT_EQ(warning.threshold(), 75);
}

TEST(DiskWarningTest, OddFiguresAreSafe) {
    EXPECT_EQ(DiskWarning::UsedPercent(0, 0), 0);
    EXPECT_EQ(DiskWarning::UsedPercent(5000, 1000), 0);
    EXPECT_EQ(DiskWarning::UsedPercent(0, UINT64_MAX), 100);
    EXPECT_EQ(DiskWarning::UsedPercent(UINT64_MAX / 2 + 1, UINT64_MAX), 50);

    DiskWarning noStep(50, 0);
    EXPECT_TRUE(noStep.Check(0, 100));
    EXPECT_EQ(noStep.threshold(), 100);
    DiskWarning negative(50, -7);
    EXPECT_TRUE(negative.Check(40, 100));
    EXPECT_EQ(negative.threshold(), 60);
    DiskWarning unknownDrive(75, 3);
    EXPECT_FALSE(unknownDrive.Check(0, 0));
}

}  // namespace
}  // namespace korvex
