#include "buffer/Mv2Recorder.h"
#include "buffer/Mv2Reader.h"
#include "buffer/RecordFrame.h"
#include "common/Clock.h"
#include "common/TimeName.h"
#include "common/UserPrompt.h"
#include "support/TempDir.h"
#include "video/FrameCompressor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace korvex {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

// Local noon, so that no test crosses midnight by accident.
std::time_t Noon() {
    std::tm local{};
    local.tm_year = 126;
    local.tm_mon = 5;
    local.tm_mday = 10;
    local.tm_hour = 12;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

constexpr int kWidth = 64;
constexpr int kHeight = 48;
const QString kBuffer = QStringLiteral("Camera0.mv2");

class RecorderTest : public ::testing::Test {
protected:
    RecorderTest()
        : clock_(0, Noon()),
          format_(DibFormat::Rgb(kWidth, kHeight, 24)),
          compressor_(prompt_),
          writer_(clock_, &prompt_),
          recorder_(writer_, clock_, prompt_) {
        writer_.SetDirectory(dir_.Path());
        compressor_.OpenCompressor(kFourCCDib, format_);
    }

    void Start(const CameraRecording& settings, bool continuous = false) {
        recorder_.Configure(settings, continuous);
        ASSERT_TRUE(
            recorder_.CreateBufferFile(kBuffer, compressor_.Handler(), compressor_.OutFormat()));
    }
    std::vector<uint8_t> Picture() {
        std::vector<uint8_t> bits(format_.ImageBytes());
        for (size_t i = 0; i < bits.size(); ++i) {
            bits[i] = static_cast<uint8_t>(i + 13 * frameNumber_);
        }
        ++frameNumber_;
        return bits;
    }
    void Step(bool motion) {
        const auto bits = Picture();
        RecordFrame frame(compressor_, prompt_, format_, bits);
        ASSERT_TRUE(recorder_.Step(motion, frame, dir_.Path()));
    }
    // Two frames a second from now on for `seconds` seconds.
    void Run(int seconds, bool motion) {
        for (int i = 0; i < 2 * seconds; ++i) {
            Step(motion);
            clock_.AdvanceMs(500);
        }
    }
    int64_t StoredFrames() {
        CMv2Reader reader;
        return reader.Open(writer_.Path()) ? reader.FrameCount() : -1;
    }

    TempDir dir_;
    ManualClock clock_;
    RecordingPrompt prompt_;
    DibFormat format_;
    FrameCompressor compressor_;
    CMv2Writer writer_;
    CMv2Recorder recorder_;
    int frameNumber_ = 0;
};

TEST_F(RecorderTest, AnEventIsHeldForHoldTimeAfterMotionStopsAndThenRetained) {
    Start(CameraRecording{});
    Run(5, true);  // seconds 0 to 4
    EXPECT_EQ(recorder_.State(), RecorderState::Recording);
    Run(11, false);  // seconds 5 to 15: holding
    EXPECT_EQ(recorder_.State(), RecorderState::Holding);
    EXPECT_EQ(recorder_.Status(), RecorderStatus::Holding);
    Run(1, false);  // the first frame of second 16 closes the event
    EXPECT_EQ(recorder_.State(), RecorderState::Waiting);
    EXPECT_EQ(writer_.CommitPos(), writer_.WritePos());
    EXPECT_EQ(StoredFrames(), 10);
}

TEST_F(RecorderTest, AnEventShorterThanTheMinimumClipIsDroppedAndOverwritten) {
    CameraRecording settings;
    settings.minClipLength = 5;
    Start(settings);
    const int64_t header = writer_.WritePos();
    Run(3, true);
    Run(12, false);
    EXPECT_EQ(recorder_.State(), RecorderState::Waiting);
    EXPECT_EQ(writer_.WritePos(), header);
    Run(1, true);
    EXPECT_EQ(StoredFrames(), 2);
}

TEST_F(RecorderTest, ContinuousModesKeepEverythingAndNeverStopWaitingForMotion) {
    CameraRecording settings;
    settings.minClipLength = 100;
    Start(settings, true);
    Run(1, true);
    Run(30, false);
    EXPECT_EQ(recorder_.State(), RecorderState::Holding);
    EXPECT_EQ(writer_.CommitPos(), writer_.WritePos());
    EXPECT_EQ(StoredFrames(), 2);
}

TEST_F(RecorderTest, WithRecordingOffTheStateMachineRunsWithoutAFile) {
    CameraRecording settings;
    settings.doRecording = 0;
    Start(settings);
    Run(1, true);
    EXPECT_EQ(recorder_.Status(), RecorderStatus::FollowingOnly);
    EXPECT_FALSE(QFile::exists(dir_.File(kBuffer)));
}

TEST_F(RecorderTest, TheRecycledRingWrapsAfterR0049AndAFailedCopyDoesntAdvanceIt) {
    CameraRecording settings;
    settings.saveBySize = 1;
    settings.mbytesSave = 0;
    settings.recycleFiles = 1;
    Start(settings);
    // Every frame after the first of a file finds the buffer with data and rotates it.
    Step(true);
    EXPECT_EQ(recorder_.RecycleCounter(), 2);
    Step(true);
    EXPECT_TRUE(QFile::exists(dir_.File("R0002.mv2")));
    EXPECT_EQ(recorder_.RecycleCounter(), 3);
    while (recorder_.RecycleCounter() < 50) {
        Step(true);
    }
    EXPECT_TRUE(QFile::exists(dir_.File("R0049.mv2")));
    EXPECT_FALSE(QFile::exists(dir_.File("R0000.mv2")));
    // R0000 can't be written: the buffer keeps its frames and the counter stays.
    ASSERT_TRUE(QDir(dir_.Path()).mkdir("R0000.mv2"));
    const int64_t before = writer_.WritePos();
    Step(true);
    EXPECT_EQ(recorder_.RecycleCounter(), 50);
    EXPECT_GT(writer_.WritePos(), before);
    ASSERT_TRUE(QDir(dir_.Path()).rmdir("R0000.mv2"));
    Step(true);
    EXPECT_TRUE(QFile::exists(dir_.File("R0000.mv2")));
    EXPECT_EQ(recorder_.RecycleCounter(), 1);
}

TEST_F(RecorderTest, SavingByNameNeverReplacesAnArchiveOfTheSameSecond) {
    Start(CameraRecording{});
    Run(1, true);
    const std::time_t t = clock_.WallSeconds();
    const QString taken = dir_.File(MakeTimeName(t, TimeNameForm::DateSecond, "mv2"));
    WriteBytes(taken, {1, 2, 3});
    const auto recorded = ReadBytes(writer_.Path());
    ASSERT_TRUE(recorder_.SaveByRenaming(t));
    EXPECT_EQ(ReadBytes(taken), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(ReadBytes(dir_.File(MakeTimeName(t + 1, TimeNameForm::DateSecond, "mv2"))), recorded);
    EXPECT_EQ(writer_.WritePos(), 74);
}

TEST_F(RecorderTest, WhenNoNameIsFreeTheBufferKeepsItsVideoAndRecordingGoesOn) {
    Start(CameraRecording{});
    Run(1, true);
    const std::time_t t = clock_.WallSeconds();
    for (int k = 0; k < 10; ++k) {
        WriteBytes(dir_.File(MakeTimeName(t + k, TimeNameForm::DateSecond, "mv2")), {0});
    }
    const QString base = QFileInfo(MakeTimeName(t, TimeNameForm::DateSecond, "mv2")).baseName();
    for (int n = 2; n <= 99; ++n) {
        WriteBytes(dir_.File(QStringLiteral("%1_%2.mv2").arg(base).arg(n)), {0});
    }
    const int64_t before = writer_.WritePos();
    EXPECT_FALSE(recorder_.SaveByRenaming(t));
    EXPECT_EQ(writer_.WritePos(), before);
    EXPECT_EQ(prompt_.Texts().size(), 1u);
    Run(1, true);
    EXPECT_EQ(StoredFrames(), 4);
}

TEST_F(RecorderTest, HourlySavingWithZeroHoursSavesWheneverTheBufferHoldsData) {
    CameraRecording settings;
    settings.saveHourly = 1;
    settings.saveHours = 0;
    Start(settings);
    recorder_.ResetHourMark();
    Run(2, true);  // four frames: each after the first finds data and saves it away
    const QStringList archives =
        QDir(dir_.Path()).entryList({QStringLiteral("??????_??????*.mv2")}, QDir::Files);
    EXPECT_EQ(archives.size(), 3);
    EXPECT_LE(writer_.WritePos(), 74 + 2 * (8 + format_.ImageBytes()));
}

TEST_F(RecorderTest, TheFirstStillOfAnEventComesWithItsSecondStoredFrame) {
    CameraRecording settings;
    settings.saveGIF = 1;
    settings.gifFreq = 30;
    Start(settings);
    const auto bits = Picture();
    RecordFrame first(compressor_, prompt_, format_, bits);
    ASSERT_TRUE(recorder_.Step(true, first, dir_.Path()));
    EXPECT_FALSE(QFile::exists(dir_.File("korvex.jpg")));
    RecordFrame second(compressor_, prompt_, format_, bits);
    ASSERT_TRUE(recorder_.Step(true, second, dir_.Path()));
    EXPECT_TRUE(QFile::exists(dir_.File("korvex.jpg")));
}

TEST_F(RecorderTest, TheSecondaryWriterStoresTheVeryBytesThePrimaryCompressed) {
    const uint32_t fmp4 = MakeFourCC('F', 'M', 'P', '4');
    if (!compressor_.OpenCompressor(fmp4, format_)) {
        GTEST_SKIP() << "no MPEG-4 encoder";
    }
    TempDir secondDir;
    CMv2Writer secondWriter(clock_, &prompt_);
    secondWriter.SetDirectory(secondDir.Path());
    CMv2Recorder second(secondWriter, clock_, prompt_);
    Start(CameraRecording{});
    second.Configure(CameraRecording{}, false);
    ASSERT_TRUE(second.CreateBufferFile(kBuffer, fmp4, compressor_.OutFormat()));
    for (int i = 0; i < 6; ++i) {
        const auto bits = Picture();
        RecordFrame frame(compressor_, prompt_, format_, bits);
        ASSERT_TRUE(recorder_.Step(true, frame, dir_.Path()));
        ASSERT_TRUE(second.Step(true, frame, secondDir.Path()));
    }
    EXPECT_EQ(ReadBytes(writer_.Path()), ReadBytes(secondWriter.Path()));
    CMv2Reader reader;
    ASSERT_TRUE(reader.Open(secondWriter.Path()));
    EXPECT_EQ(reader.FrameCount(), 6);
    EXPECT_EQ(reader.KeyFrameCount(), 1);
}

}  // namespace
}  // namespace korvex
