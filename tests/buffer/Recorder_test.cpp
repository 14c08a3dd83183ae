#include "buffer/Recorder.h"
#include "RecorderTestFiles.h"
#include "buffer/BufferFiles.h"
#include "common/CameraSettings.h"
#include "common/FourCC.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace korvex::test {
namespace {

class RecorderTest : public RecorderFixture {
protected:
    void SetUp() override {
        OpenCompressor(kFourCCDib);
        settings.limitBuffer = 0;
    }
    void Start(bool continuous = false, const QString& directory = {}) {
        recorder.SetDirectory(directory.isEmpty() ? dir.Path() : directory);
        recorder.Configure(settings);
        ASSERT_TRUE(
            recorder.CreateBufferFile(QStringLiteral("Camera0.mv2"), compressor, continuous));
        headerEnd = recorder.Writer().WritePos();
    }
    bool StepAt(std::time_t second, bool motion) {
        AtSecond(second);
        NextPicture();
        return recorder.Step(motion, frame, recorder.Directory());
    }
    std::vector<StoredRecord> Buffer() const { return ReadRecords(recorder.Path()); }

    CameraRecording settings;
    Recorder recorder{Recorder::Role::Primary, clock, prompt};
    int64_t headerEnd = 0;
};

TEST_F(RecorderTest, HoldTimeClosesTheEventAndKeepsIt) {
    settings.holdTime = 10;
    Start();
    for (int s = 0; s <= 4; ++s) {
        ASSERT_TRUE(StepAt(s, true));
        ASSERT_TRUE(StepAt(s, true));
    }
    for (int s = 5; s <= 15; ++s) {
        ASSERT_TRUE(StepAt(s, false));
        EXPECT_EQ(recorder.State(), RecorderState::Holding) << s;
    }
    ASSERT_TRUE(StepAt(16, false));
    EXPECT_EQ(recorder.State(), RecorderState::Waiting);
    EXPECT_EQ(recorder.Status(), RecorderStatus::Waiting);
    EXPECT_EQ(recorder.Writer().CommitPos(), recorder.Writer().WritePos());

    std::vector<StoredRecord> records = Buffer();
    ASSERT_EQ(records.size(), 10u);
    EXPECT_TRUE(records.front().keyFrame);
    EXPECT_EQ(records.front().time, kStart);
    EXPECT_EQ(records.back().time, kStart + 4);

    ASSERT_TRUE(StepAt(30, true));
    records = Buffer();
    ASSERT_EQ(records.size(), 11u);
    EXPECT_EQ(records.back().time, kStart + 30);
}

TEST_F(RecorderTest, ShortEventIsDroppedAndOverwrittenByTheNext) {
    settings.minClipLength = 5;
    Start();
    for (int s = 0; s <= 2; ++s) {
        ASSERT_TRUE(StepAt(s, true));
        ASSERT_TRUE(StepAt(s, true));
    }
    for (int s = 3; s <= 14; ++s)
        ASSERT_TRUE(StepAt(s, false));
    EXPECT_EQ(recorder.State(), RecorderState::Waiting);
    EXPECT_EQ(recorder.Writer().WritePos(), headerEnd);
    // The dropped frames stay on disk until the next record replaces them.
    EXPECT_EQ(Buffer().size(), 6u);

    ASSERT_TRUE(StepAt(20, true));
    const std::vector<StoredRecord> records = Buffer();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].time, kStart + 20);
    EXPECT_TRUE(records[0].keyFrame);
    EXPECT_EQ(QFileInfo(recorder.Path()).size(), recorder.Writer().WritePos());
}

TEST_F(RecorderTest, ContinuousModeNeverReturnsToWaiting) {
    Start(true);
    ASSERT_TRUE(StepAt(0, true));
    for (int s = 1; s <= 200; s += 3) {
        ASSERT_TRUE(StepAt(s, false));
        EXPECT_EQ(recorder.State(), RecorderState::Holding);
    }
    EXPECT_EQ(recorder.Writer().CommitPos(), recorder.Writer().WritePos());
    ASSERT_TRUE(StepAt(300, true));
    EXPECT_EQ(recorder.State(), RecorderState::Recording);
    EXPECT_EQ(Buffer().size(), 2u);
}

TEST_F(RecorderTest, FailedAppendStopsRecordingUntilANewFile) {
    std::vector<int> notices;
    recorder.SetFailureListener([&](int id, const QString&) { notices.push_back(id); });
    Start();
    ASSERT_TRUE(StepAt(0, true));
    ASSERT_TRUE(QFile::remove(recorder.Path()));
    EXPECT_FALSE(StepAt(1, true));
    EXPECT_FALSE(StepAt(2, true));
    EXPECT_EQ(notices, std::vector<int>{901});
    ASSERT_TRUE(recorder.CreateBufferFile(QStringLiteral("Camera0.mv2"), compressor, false));
    EXPECT_TRUE(StepAt(3, true));
}

// Append after a stop in the middle of a short event keeps that event's frames: the next
// event, short or not, is stored after them.
TEST_F(RecorderTest, ContinuedBufferKeepsTheFramesOfACutEvent) {
    settings.minClipLength = 5;
    Start();
    ASSERT_TRUE(StepAt(0, true));
    ASSERT_TRUE(StepAt(1, true));
    recorder.Continue(compressor, false);
    ASSERT_TRUE(StepAt(100, true));
    for (int s = 101; s <= 112; ++s)
        ASSERT_TRUE(StepAt(s, false));
    ASSERT_TRUE(StepAt(200, true));
    const std::vector<StoredRecord> records = Buffer();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].time, kStart + 1);
    EXPECT_EQ(records[2].time, kStart + 200);
}

// The still of an event comes with its second stored frame, then every GIFFreq seconds.
TEST_F(RecorderTest, StillImageFollowsTheEvent) {
    settings.saveGIF = 1;
    settings.gifFreq = 30;
    Start();
    const QString still = dir.File(QStringLiteral("korvex.jpg"));
    ASSERT_TRUE(StepAt(0, true));
    EXPECT_FALSE(QFileInfo::exists(still));
    ASSERT_TRUE(StepAt(0, true));
    const std::vector<uint8_t> jpeg = ReadBytes(still);
    ASSERT_GE(jpeg.size(), 2u);
    EXPECT_EQ(jpeg[0], 0xFF);
    EXPECT_EQ(jpeg[1], 0xD8);
    EXPECT_TRUE(QFileInfo::exists(dir.File(QStringLiteral("ktemp.bmp"))));
    EXPECT_FALSE(QFileInfo::exists(dir.File(QStringLiteral(".korvex.jpg.part"))));

    QFile::remove(still);
    ASSERT_TRUE(StepAt(29, true));
    EXPECT_FALSE(QFileInfo::exists(still));
    ASSERT_TRUE(StepAt(30, true));
    EXPECT_TRUE(QFileInfo::exists(still));
}

TEST_F(RecorderTest, StillWithoutMotionWhenAsked) {
    settings.saveGIF = 1;
    settings.saveNoMotion = 1;
    Start();
    ASSERT_TRUE(StepAt(0, false));
    EXPECT_TRUE(QFileInfo::exists(dir.File(QStringLiteral("korvex.jpg"))));
    EXPECT_TRUE(Buffer().empty());
}

TEST_F(RecorderTest, RecordingSwitchedOffFollowsMotionWithoutAFile) {
    settings.doRecording = 0;
    Start();
    ASSERT_TRUE(StepAt(0, true));
    EXPECT_EQ(recorder.Status(), RecorderStatus::Following);
    EXPECT_FALSE(QFileInfo::exists(dir.File(QStringLiteral("Camera0.mv2"))));
}

TEST_F(RecorderTest, SizeLimitTellsOnceAndStops) {
    settings.limitBuffer = 1;
    settings.sizeUnit = 0;
    settings.sizeLimit = 20;
    Start();
    int stored = 0;
    while (StepAt(stored, true))
        ++stored;
    EXPECT_EQ(stored, 3);  // three 9 KB frames pass 20 KB
    EXPECT_FALSE(StepAt(stored + 1, true));
    EXPECT_EQ(prompt.Texts(),
              std::vector<QString>{QStringLiteral("The video file has hit the recording limit.")});
    EXPECT_EQ(Buffer().size(), 3u);
}

TEST_F(RecorderTest, RecycledRingWrapsAfterTheLastNumber) {
    OpenCompressor(kFourCCDib, 320, 240);  // 230 KB a frame
    settings.saveBySize = 1;
    settings.mbytesSave = 1;
    settings.recycleFiles = 1;
    settings.recycleNum = 50;
    settings.recycleCounter = 48;
    Start();
    std::time_t s = 0;
    while (recorder.RecycleCounter() != 1 && s < 100)
        ASSERT_TRUE(StepAt(s++, true));
    for (const char* name : {"R0048.mv2", "R0049.mv2", "R0000.mv2"}) {
        const std::vector<StoredRecord> ring = ReadRecords(dir.File(QLatin1String(name)));
        EXPECT_EQ(ring.size(), 5u) << name;
        EXPECT_TRUE(!ring.empty() && ring.front().keyFrame) << name;
    }
    EXPECT_FALSE(QFileInfo::exists(dir.File(QStringLiteral("R0050.mv2"))));
    // The buffer started again with the frame of the last step.
    EXPECT_EQ(Buffer().size(), 1u);
}

TEST_F(RecorderTest, HourlySaveWithZeroHoursSavesWheneverThereIsData) {
    settings.saveHourly = 1;
    settings.saveHours = 0;
    Start();
    recorder.ResetHourMark();
    ASSERT_TRUE(StepAt(0, true));
    ASSERT_TRUE(StepAt(1, true));
    const QString archive = dir.File(ArchiveName(kStart + 1, 0));
    EXPECT_EQ(recorder.LastSavedPath(), archive);
    ASSERT_EQ(ReadRecords(archive).size(), 1u);
    const std::vector<StoredRecord> records = Buffer();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].time, kStart + 1);
    EXPECT_TRUE(records[0].keyFrame);
}

TEST_F(RecorderTest, HourlySaveWaitsForTheHours) {
    settings.saveHourly = 1;
    settings.saveHours = 2;
    Start();
    recorder.ResetHourMark();
    ASSERT_TRUE(StepAt(0, true));
    ASSERT_TRUE(StepAt(7199, true));
    EXPECT_TRUE(recorder.LastSavedPath().isEmpty());
    ASSERT_TRUE(StepAt(7200, true));
    EXPECT_EQ(recorder.LastSavedPath(), dir.File(ArchiveName(kStart + 7200, 0)));
}

TEST_F(RecorderTest, MidnightSaveAtTheFirstFrameOfTheNewDay) {
    settings.midSave = 1;
    AtSecond(14 * 3600 - 2);  // 23:59:58
    Start();
    ASSERT_TRUE(StepAt(14 * 3600 - 2, true));
    ASSERT_TRUE(StepAt(14 * 3600 - 1, true));
    EXPECT_TRUE(recorder.LastSavedPath().isEmpty());
    ASSERT_TRUE(StepAt(14 * 3600, true));
    EXPECT_EQ(recorder.LastSavedPath(), dir.File(ArchiveName(kStart + 14 * 3600, 0)));
    EXPECT_EQ(ReadRecords(recorder.LastSavedPath()).size(), 2u);
}

TEST_F(RecorderTest, RestoredBufferIsNotSavedAwayAtOnceByTheMidnightRule) {
    Start();
    ASSERT_TRUE(StepAt(0, true));
    settings.midSave = 1;
    Recorder restored(Recorder::Role::Primary, clock, prompt);
    restored.SetDirectory(dir.Path());
    restored.Configure(settings);
    ASSERT_TRUE(restored.Restore(QStringLiteral("Camera0.mv2"), compressor, false));
    AtSecond(1);
    NextPicture();
    ASSERT_TRUE(restored.Step(true, frame, dir.Path()));
    EXPECT_TRUE(restored.LastSavedPath().isEmpty());
    EXPECT_EQ(Buffer().size(), 2u);
}

// A save that can't move the buffer file (here: its time name passes the path limit while
// the buffer's own name fits) keeps every frame in the buffer and says so once.
TEST_F(RecorderTest, FailedRenameKeepsRecordingIntoTheSameFile) {
    settings.saveHourly = 1;
    settings.saveHours = 0;
    const QString deep = DeepDirectory(dir.Path(), 4082);
    Start(false, deep);
    recorder.ResetHourMark();
    for (int s = 0; s < 4; ++s)
        ASSERT_TRUE(StepAt(s, true));
    EXPECT_EQ(Buffer().size(), 4u);
    EXPECT_TRUE(recorder.LastSavedPath().isEmpty());
    ASSERT_EQ(prompt.Texts().size(), 1u);
    EXPECT_TRUE(prompt.Texts()[0].startsWith(QStringLiteral("Unable to save the video buffer")));
}

TEST_F(RecorderTest, FailedRecycleCopyKeepsBufferAndCounter) {
    OpenCompressor(kFourCCDib, 320, 240);
    settings.saveBySize = 1;
    settings.mbytesSave = 1;
    settings.recycleFiles = 1;
    settings.recycleCounter = 7;
    const QString deep = DeepDirectory(dir.Path(), 4082);
    Start(false, deep);
    for (int s = 0; s < 8; ++s)
        ASSERT_TRUE(StepAt(s, true));
    EXPECT_EQ(recorder.RecycleCounter(), 7);
    EXPECT_EQ(Buffer().size(), 8u);
    EXPECT_FALSE(QFileInfo::exists(deep + QStringLiteral("/R0007.mv2")));
    EXPECT_EQ(prompt.Texts().size(), 1u);
}

TEST_F(RecorderTest, SavesInTheSameSecondTakeFreeNames) {
    Start();
    ASSERT_TRUE(StepAt(0, true));
    Recorder other(Recorder::Role::Primary, clock, prompt);
    other.SetDirectory(dir.Path());
    other.Configure(settings);
    ASSERT_TRUE(other.CreateBufferFile(QStringLiteral("Camera1.mv2"), compressor, false));
    ASSERT_TRUE(other.Step(true, frame, dir.Path()));
    ASSERT_TRUE(other.Step(true, frame, dir.Path()));

    const QString taken = dir.File(ArchiveName(kStart + 5, 0));
    ASSERT_TRUE(recorder.SaveByRenaming(kStart + 5));
    ASSERT_TRUE(other.SaveByRenaming(kStart + 5));
    EXPECT_EQ(recorder.LastSavedPath(), taken);
    EXPECT_EQ(other.LastSavedPath(), dir.File(ArchiveName(kStart + 5, 1)));
    EXPECT_EQ(ReadRecords(taken).size(), 1u);
    EXPECT_EQ(ReadRecords(other.LastSavedPath()).size(), 2u);
}

TEST(BufferFileNames, ArchiveAndRecycledNames) {
    setenv("TZ", "UTC", 1);
    tzset();
    const std::time_t t = 989417107;  // 9 May 2001 14:05:07
    EXPECT_EQ(ArchiveName(t, 0), QStringLiteral("050901_140507.mv2"));
    EXPECT_EQ(ArchiveName(t, 1), QStringLiteral("050901_140507_2.mv2"));
    EXPECT_EQ(RecycledName(0), QStringLiteral("R0000.mv2"));
    EXPECT_EQ(RecycledName(49), QStringLiteral("R0049.mv2"));
}

}  // namespace
}  // namespace korvex::test
