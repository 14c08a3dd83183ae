#include "camera/CameraOperation.h"
#include "camera/SoundOutput.h"
#include "camera/StatusCaptions.h"
#include "common/SettingsStore.h"
#include "schedule/Schedule.h"
#include "support/TempDir.h"
#include "video/detector/MotionDetector.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace korvex {
namespace {

// Frames of 64 x 64 pixels: a still grey scene, or one with a bright square that jumps
// between two places on every grab.
class SceneSource : public FrameSource {
public:
    SceneSource() : format_(DibFormat::Rgb(64, 64, 24)), bits_(64 * 64 * 3, 90) {}
    bool Grab() override {
        if (unplugged) {
            return false;
        }
        std::fill(bits_.begin(), bits_.end(), 90);
        if (moving) {
            const int x0 = (grabs_ % 2) ? 8 : 40;
            for (int y = 16; y < 32; ++y) {
                for (int x = x0; x < x0 + 16; ++x) {
                    for (int c = 0; c < 3; ++c) {
                        bits_[(y * 64 + x) * 3 + c] = 250;
                    }
                }
            }
        }
        ++grabs_;
        return true;
    }
    bool FormatUsable() const override { return usable; }
    const DibFormat& Format() const override { return format_; }
    std::span<const uint8_t> Bits() const override { return bits_; }

    bool moving = false;
    bool usable = true;
    bool unplugged = false;

private:
    DibFormat format_;
    std::vector<uint8_t> bits_;
    int grabs_ = 0;
};

// Stands in for the recorders: keeps what it was handed.
class RecorderLog : public BufferRecorder {
public:
    void SetDirectories(const QString& primary, const QString&) override { directory = primary; }
    bool SaveOldBuffer(bool) override { return saveOldAnswer; }
    bool CreateBuffers(int, bool) override {
        ++creates;
        return createAnswer;
    }
    bool ContinueBuffers(bool) override {
        ++continues;
        return true;
    }
    void ResetHourMark(std::time_t) override {}
    bool TakesFrames() const override { return takesFrames; }
    bool RecordFrame(bool motion, std::span<const uint8_t>) override {
        frames.push_back(motion);
        if (motion) {
            hasData = true;
        }
        return accepts;
    }
    bool HasData() const override { return hasData; }
    int Status() const override { return 1; }
    void ArchiveBuffers() override {
        ++archives;
        hasData = false;
    }
    bool FormatMatches() const override { return true; }

    QString directory;
    bool saveOldAnswer = true;
    bool createAnswer = true;
    bool takesFrames = true;
    bool accepts = true;
    bool hasData = false;
    int creates = 0;
    int archives = 0;
    int continues = 0;
    std::vector<bool> frames;
};

class AlertLog : public AlertSink, public LookoutActions {
public:
    void FireAlertActions() override { ++fired; }
    void SaveAlertImages(const DibFormat&, std::span<const uint8_t>) override { ++images; }
    void ModemAction(int, bool) override {}
    bool DiskUsagePage() override {
        ++pages;
        return true;
    }
    int fired = 0;
    int images = 0;
    int pages = 0;
};

class SoundLog : public SoundOutput {
public:
    void PlayFile(const QString& path) override { files.push_back(path); }
    void Beep(int, int) override { ++beeps; }
    std::vector<QString> files;
    int beeps = 0;
};

class CameraOperationTest : public testing::Test {
protected:
    CameraOperationTest()
        : store(dir.SettingsPath()),
          clock(1'000'500, 1'699'999'000),
          detector(prompt, clock),
          sequencer(alerts, prompt),
          schedule(prompt) {
        setenv("TZ", "UTC", 1);
        tzset();
        settings.general.workingDir = dir.Path();
        detector.Setup(source.Format());
        detector.SetLevel(20);
    }

    CameraOperation& Operation() {
        if (!operation) {
            operation = std::make_unique<CameraOperation>(
                CameraOperation::Parts{source, detector, recorder, sequencer, schedule, alerts,
                                       sound, prompt, clock, pacing, store,
                                       QStringLiteral("/sounds/korvex.wav"),
                                       [this](const QString&) { return disk; }},
                settings, 3);
        }
        return *operation;
    }

    test::TempDir dir;
    SettingsStore store;
    RecordingPrompt prompt;
    ManualClock clock;
    SceneSource source;
    MotionDetector detector;
    RecorderLog recorder;
    AlertLog alerts;
    LookoutSequencer sequencer;
    Schedule schedule;
    SoundLog sound;
    PacingGroup pacing;
    CameraSettings settings;
    std::optional<DiskSpace> disk;
    std::unique_ptr<CameraOperation> operation;
};

TEST_F(CameraOperationTest, FuseDelaysArmingAndMotionDuringItIsNotRecorded) {
    source.moving = true;
    ASSERT_TRUE(Operation().StartObserve());
    EXPECT_EQ(Operation().Modes(), kOperationObserve);
    EXPECT_EQ(recorder.creates, 1);
    Operation().FrameStep();
    EXPECT_TRUE(Operation().FuseBurning());
    EXPECT_EQ(Operation().CaptionIndex(), kStatusFuseBurning);
    EXPECT_TRUE(recorder.frames.empty());

    clock.AdvanceMs(2000);  // FuseTime 2
    Operation().FrameStep();
    EXPECT_FALSE(Operation().FuseBurning());
    EXPECT_TRUE(Operation().ObserveArmed());
    EXPECT_FALSE(recorder.frames.empty());
    EXPECT_TRUE(Operation().BufferValid());
    EXPECT_FALSE(Operation().CanObserve());
}

TEST_F(CameraOperationTest, RefusedCommandsChangeNothing) {
    source.usable = false;
    EXPECT_FALSE(Operation().StartObserve());
    EXPECT_FALSE(Operation().StartLookout());
    ASSERT_EQ(prompt.Entries().size(), 2u);
    EXPECT_EQ(prompt.Entries()[0].text,
              "Unsupported video format.  Try choosing a RGB video format under Options > Video "
              "Format.");
    source.usable = true;
    recorder.saveOldAnswer = false;  // the user cancelled the save question
    EXPECT_FALSE(Operation().StartObserve());
    EXPECT_EQ(Operation().Modes(), kOperationIdle);
    EXPECT_EQ(recorder.creates, 0);
}

TEST_F(CameraOperationTest, AppendWithLookoutDutiesArmsLookoutAtOnce) {
    settings.general.lookOut = 1;
    recorder.hasData = true;
    Operation().SetBufferValid(true);
    ASSERT_TRUE(Operation().Append());
    EXPECT_EQ(Operation().Modes(), kOperationObserve | kOperationLookout);
    EXPECT_TRUE(Operation().LookoutArmed());
    EXPECT_TRUE(Operation().FuseBurning());
    EXPECT_EQ(recorder.creates, 0);
    EXPECT_EQ(recorder.continues, 1);
    source.moving = true;
    Operation().FrameStep();
    Operation().FrameStep();
    EXPECT_EQ(alerts.fired, 1);  // LookOutTime 0 fires on the first motion frame
}

TEST_F(CameraOperationTest, ObserveWithLookoutDutiesStepsTheSequencerTwicePerFrame) {
    // With ReArmTime 0 a firing needs three steps (Fired, Rearming, Armed + fire): with two
    // steps per frame, continuous motion fires on frames 1, 2 (second step), 4, ...
    settings.general.lookOut = 1;
    settings.general.fuseTime = 0;
    ASSERT_TRUE(Operation().StartObserve());
    source.moving = true;
    Operation().FrameStep();  // arms
    const int before = alerts.fired;
    for (int i = 0; i < 3; ++i) {
        Operation().FrameStep();
    }
    EXPECT_EQ(alerts.fired - before, 2);
    EXPECT_EQ(alerts.images, alerts.fired);
}

TEST_F(CameraOperationTest, LookoutWithoutReArmEndsByItself) {
    settings.lookOut.doReArm = 0;
    sequencer.SetTiming({0, 0, false});
    settings.general.fuseTime = 0;
    ASSERT_TRUE(Operation().StartLookout());
    source.moving = true;
    Operation().FrameStep();
    Operation().FrameStep();  // fires
    Operation().FrameStep();  // finished
    EXPECT_EQ(alerts.fired, 1);
    EXPECT_EQ(Operation().Modes(), kOperationIdle);
    EXPECT_FALSE(Operation().LookoutArmed());
}

TEST_F(CameraOperationTest, RecorderRefusingAFrameEndsObserve) {
    settings.general.fuseTime = 0;
    ASSERT_TRUE(Operation().StartObserve());
    Operation().FrameStep();
    recorder.accepts = false;
    Operation().FrameStep();
    EXPECT_EQ(Operation().Modes() & kOperationObserve, 0u);
    EXPECT_FALSE(Operation().ObserveArmed());
}

TEST_F(CameraOperationTest, FramesThatStopComingPauseRecordingWithoutEndingObserve) {
    settings.general.fuseTime = 0;
    ASSERT_TRUE(Operation().StartObserve());
    Operation().FrameStep();
    source.unplugged = true;
    Operation().FrameStep();
    Operation().FrameStep();
    EXPECT_TRUE(Operation().ObserveArmed());
    EXPECT_EQ(recorder.frames.size(), 1u);
    EXPECT_FALSE(Operation().Motion());
    source.unplugged = false;
    Operation().FrameStep();
    EXPECT_EQ(recorder.frames.size(), 2u);
}

TEST_F(CameraOperationTest, StopClearsEverythingAndTheUploaderFlag) {
    store.Write(settings::kPostrixLaunched, 1);
    ASSERT_TRUE(Operation().StartObserve());
    Operation().Stop();
    EXPECT_EQ(Operation().Modes(), kOperationIdle);
    EXPECT_FALSE(Operation().FuseBurning());
    EXPECT_EQ(store.Read(settings::kPostrixLaunched), 0);
}

TEST_F(CameraOperationTest, TimerSessionsArmWithoutFuseAndArchiveAtTheirEnd) {
    // 2023-11-14 22:13:20 UTC; a Daily entry 22:14 for 2 minutes.
    ScheduleEntry entry;
    entry.kind = ScheduleKind::Daily;
    entry.start.tm_hour = 22;
    entry.start.tm_min = 14;
    entry.durationMinutes = 2;
    schedule.SetEntries({entry});
    ASSERT_TRUE(Operation().StartTimer());
    EXPECT_EQ(Operation().Modes(), kOperationTimer);
    Operation().FrameStep();
    EXPECT_FALSE(Operation().ObserveArmed());

    clock.AdvanceMs(60'000);
    Operation().FrameStep();
    EXPECT_TRUE(Operation().ObserveArmed());
    EXPECT_FALSE(Operation().FuseBurning());
    EXPECT_EQ(Operation().Modes(), kOperationTimer | kOperationObserve);

    clock.AdvanceMs(120'000);
    Operation().FrameStep();
    EXPECT_FALSE(Operation().ObserveArmed());
    EXPECT_EQ(recorder.archives, 1);
    EXPECT_EQ(Operation().Modes(), kOperationTimer);
}

TEST_F(CameraOperationTest, DiskWarningsPageAtEachNewLevel) {
    settings.diskUsage.usageWarning = 1;
    settings.general.fuseTime = 0;
    source.moving = true;
    ASSERT_TRUE(Operation().StartObserve());
    disk = DiskSpace{20, 100};  // 80 % used
    Operation().FrameStep();
    Operation().FrameStep();
    EXPECT_EQ(alerts.pages, 1);
    EXPECT_EQ(Operation().DiskWarnThreshold(), 81);
    disk = DiskSpace{18, 100};  // 82 %
    Operation().FrameStep();
    EXPECT_EQ(alerts.pages, 2);
    EXPECT_EQ(Operation().DiskWarnThreshold(), 84);
    disk = DiskSpace{17, 100};
    Operation().FrameStep();
    EXPECT_EQ(alerts.pages, 2);
}

TEST_F(CameraOperationTest, FrozenAndBlankPicturesBeepWhileObserving) {
    settings.general.blankTest = 1;
    settings.general.fuseTime = 0;
    settings.blankScrnFreq = 7;  // not on this second: no blank test yet
    ASSERT_TRUE(Operation().StartObserve());
    for (int i = 0; i < 6; ++i) {
        Operation().FrameStep();
    }
    // Six comparisons without any difference: the frozen-picture beep.
    EXPECT_EQ(sound.beeps, 1);
    // On a second that is a multiple of BlankScrnFreq the uniform picture beeps too, and
    // the test then repeats on every step while it stays blank.
    clock.AdvanceMs(1000);  // second 1001 = 7 x 143
    Operation().FrameStep();
    EXPECT_EQ(sound.beeps, 3);
    source.moving = true;
    clock.AdvanceMs(200);
    Operation().FrameStep();
    Operation().FrameStep();
    EXPECT_EQ(sound.beeps, 3);
}

TEST_F(CameraOperationTest, PacingFollowsTheFrameRateAndTheCostCap) {
    // A camera of its own: FramePerSec 5, a step that costs 30 ms waits 170 ms.
    EXPECT_EQ(FramePacing::NextStepDelayMs(30, 30, 5), 170);
    // A step of 2500 ms counts as 2000 ms; the next step comes after 20 ms.
    FramePacing pacing;
    EXPECT_EQ(FramePacing::NextStepDelayMs(pacing.RecordStepCost(2500), 0, 5), 20);
    // The operation's own step reports what the rate leaves of the period.
    EXPECT_EQ(Operation().FrameStep(), 200);
}

}  // namespace
}  // namespace korvex
