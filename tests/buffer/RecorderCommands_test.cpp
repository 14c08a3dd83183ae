#include "RecorderTestFiles.h"
#include "buffer/BufferCommands.h"
#include "buffer/BufferFiles.h"
#include "common/CameraSettings.h"
#include "common/FourCC.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace korvex::test {
namespace {

constexpr const char* kFlushQuestion =
    "You are about to flush the video buffer (recorded video). This will allow KORVEX! to "
    "overwrite it without asking. If it has not been overwritten, you can restore it by "
    "clicking on Commands > Restore Video Buffer.";

class RecorderCommandsTest : public RecorderFixture {
protected:
    void SetUp() override {
        OpenCompressor(kFourCCDib);
        settings.limitBuffer = 0;
        buffers.Configure(settings);
        buffers.SetWorkingDirectory(dir.Path());
    }
    void EnableSecondary() {
        secondDir = dir.File(QStringLiteral("second"));
        ASSERT_TRUE(QDir().mkpath(secondDir));
        buffers.SetSecondaryDirectory(secondDir);
        buffers.SetSecondaryEnabled(true);
    }
    // Starts a recording with an empty buffer and stores `frames` frames with motion.
    void Record(int frames) {
        ASSERT_TRUE(buffers.StartRecording(compressor, false, false, {}));
        for (int i = 0; i < frames; ++i) {
            NextPicture();
            ASSERT_TRUE(buffers.Step(true, frame));
        }
    }
    BufferCommands::ChooseSavePath Choose(const QString& path) {
        return [path, this](const QString& proposed) {
            proposedNames.push_back(proposed);
            return std::optional<QString>(path);
        };
    }
    QString BufferPath() const { return dir.File(QStringLiteral("Camera3.mv2")); }

    CameraRecording settings;
    BufferCommands buffers{3, clock, prompt};
    QString secondDir;
    std::vector<QString> proposedNames;
};

TEST_F(RecorderCommandsTest, SaveQuestionAnswers) {
    Record(2);
    const std::vector<uint8_t> recorded = ReadBytes(BufferPath());

    prompt.QueueAnswer(PromptAnswer::Cancel);
    EXPECT_FALSE(buffers.StartRecording(compressor, false, false, {}));
    EXPECT_TRUE(buffers.HasData());
    EXPECT_EQ(ReadBytes(BufferPath()), recorded);

    // Yes with a cancelled dialog stops as well.
    prompt.QueueAnswer(PromptAnswer::Yes);
    EXPECT_FALSE(buffers.StartRecording(compressor, false, false,
                                        [](const QString&) { return std::nullopt; }));
    EXPECT_EQ(ReadBytes(BufferPath()), recorded);

    prompt.QueueAnswer(PromptAnswer::Yes);
    const QString saved = dir.File(QStringLiteral("kept.mv2"));
    EXPECT_TRUE(buffers.StartRecording(compressor, false, false, Choose(saved)));
    EXPECT_EQ(ReadBytes(saved), recorded);
    ASSERT_EQ(proposedNames.size(), 1u);
    EXPECT_EQ(proposedNames[0], ArchiveName(kStart, 0));
    EXPECT_FALSE(buffers.HasData());
    EXPECT_EQ(prompt.Texts().back(), QStringLiteral("Do you wish to save the video buffer?"));

    NextPicture();
    ASSERT_TRUE(buffers.Step(true, frame));
    prompt.QueueAnswer(PromptAnswer::No);
    EXPECT_TRUE(buffers.StartRecording(compressor, false, false, {}));
    EXPECT_TRUE(ReadRecords(BufferPath()).empty());
}

TEST_F(RecorderCommandsTest, HiddenInTraySavesUnderTheTimeNameWithoutAsking) {
    EnableSecondary();
    Record(2);
    AtSecond(9);
    ASSERT_TRUE(buffers.StartRecording(compressor, false, true, {}));
    EXPECT_TRUE(prompt.Texts().empty());
    EXPECT_EQ(ReadRecords(dir.File(ArchiveName(kStart + 9, 0))).size(), 2u);
    EXPECT_EQ(ReadRecords(secondDir + QLatin1Char('/') + ArchiveName(kStart + 9, 0)).size(), 2u);
    EXPECT_TRUE(ReadRecords(BufferPath()).empty());
}

TEST_F(RecorderCommandsTest, SaveAsOntoTheBufferItselfIsRefused) {
    Record(3);
    const std::vector<uint8_t> recorded = ReadBytes(BufferPath());
    EXPECT_EQ(buffers.SaveAs(BufferPath()), BufferCommands::SaveResult::Refused);
    EXPECT_EQ(prompt.Texts().size(), 1u);
    EXPECT_TRUE(buffers.HasData());
    EXPECT_EQ(ReadBytes(BufferPath()), recorded);

    // The same through another spelling of the path.
    const QString dotted = dir.Path() + QStringLiteral("/./Camera3.mv2");
    EXPECT_EQ(buffers.SaveAs(dotted), BufferCommands::SaveResult::Refused);
    EXPECT_EQ(ReadBytes(BufferPath()), recorded);
}

TEST_F(RecorderCommandsTest, SaveAsOfAPlayedFileCopiesThatFile) {
    Record(3);
    const QString played = dir.File(QStringLiteral("played.mv2"));
    WriteBytes(played, ReadBytes(BufferPath()));
    NextPicture();
    ASSERT_TRUE(buffers.Step(true, frame));

    EXPECT_EQ(buffers.SaveAs(played, played), BufferCommands::SaveResult::Refused);
    const QString copy = dir.File(QStringLiteral("copy.mv2"));
    EXPECT_EQ(buffers.SaveAs(copy, played), BufferCommands::SaveResult::Saved);
    EXPECT_EQ(ReadRecords(copy).size(), 3u);
    // A playback window's save leaves the camera's buffer alone.
    EXPECT_TRUE(buffers.HasData());
}

TEST_F(RecorderCommandsTest, SaveAsCopiesResetsAndReportsFailures) {
    EnableSecondary();
    Record(2);
    const QString target = dir.File(QStringLiteral("saved.mv2"));
    WriteBytes(target, {1, 2, 3});
    EXPECT_EQ(buffers.SaveAs(target), BufferCommands::SaveResult::Saved);
    EXPECT_EQ(ReadBytes(target), ReadBytes(BufferPath()));
    EXPECT_EQ(ReadRecords(secondDir + QLatin1Char('/') + ArchiveName(kStart, 0)).size(), 2u);
    EXPECT_FALSE(buffers.HasData());
    EXPECT_FALSE(buffers.Secondary().HasData());
    EXPECT_EQ(buffers.SaveAs(std::nullopt), BufferCommands::SaveResult::Cancelled);

    Record(1);
    EXPECT_EQ(buffers.SaveAs(dir.File(QStringLiteral("missing/saved.mv2"))),
              BufferCommands::SaveResult::Failed);
    ASSERT_FALSE(prompt.Texts().empty());
    EXPECT_TRUE(prompt.Texts().back().startsWith(QStringLiteral("System Message : ")));
    EXPECT_TRUE(buffers.HasData());
}

TEST_F(RecorderCommandsTest, FlushAsksAndLeavesTheFile) {
    Record(2);
    const std::vector<uint8_t> recorded = ReadBytes(BufferPath());
    EXPECT_FALSE(buffers.Flush());
    EXPECT_EQ(prompt.Texts().back(), QLatin1String(kFlushQuestion));
    EXPECT_TRUE(buffers.HasData());
    prompt.QueueAnswer(PromptAnswer::Yes);
    EXPECT_TRUE(buffers.Flush());
    EXPECT_FALSE(buffers.HasData());
    EXPECT_EQ(ReadBytes(BufferPath()), recorded);

    // Restore takes the file up again where it ended.
    ASSERT_TRUE(buffers.Restore(compressor, false));
    EXPECT_TRUE(buffers.HasData());
    EXPECT_EQ(buffers.Primary().Writer().WritePos(), QFileInfo(BufferPath()).size());
}

TEST_F(RecorderCommandsTest, AppendGoesOnAtTheEndWithAKeyFrame) {
    OpenCompressor(kFourCCMjpg);
    Record(3);
    FrameCompressor other(prompt);
    ASSERT_TRUE(other.OpenCompressor(kFourCCMjpg, DibFormat::Rgb(32, 24, 24)));
    EXPECT_FALSE(buffers.CanAppend(other));
    ASSERT_TRUE(buffers.CanAppend(compressor));

    ASSERT_TRUE(buffers.Append(compressor, false));
    AtSecond(50);
    NextPicture();
    ASSERT_TRUE(buffers.Step(true, frame));
    const std::vector<StoredRecord> records = ReadRecords(BufferPath());
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records.back().time, kStart + 50);
    EXPECT_TRUE(records.back().keyFrame);
}

// The secondary buffer stores what the primary compressed: with a codec that codes changes
// between frames, compressing each frame twice would give the second buffer records of
// "nothing changed".
TEST_F(RecorderCommandsTest, SecondaryStoresThePrimarysBytes) {
    const uint32_t fmp4 = MakeFourCC('F', 'M', 'P', '4');
    if (CodecRegistry::Installed().Find(fmp4) == nullptr)
        GTEST_SKIP() << "no MPEG-4 encoder";
    OpenCompressor(fmp4, 160, 120);
    compressor.SetKeyInterval(10);
    EnableSecondary();
    ASSERT_TRUE(buffers.StartRecording(compressor, false, false, {}));
    for (int i = 0; i < 30; ++i) {
        AtSecond(i / 5);
        NextPicture();
        ASSERT_TRUE(buffers.Step(true, frame));
    }
    const std::vector<StoredRecord> first = ReadRecords(BufferPath());
    const std::vector<StoredRecord> second =
        ReadRecords(secondDir + QStringLiteral("/Camera3.mv2"));
    ASSERT_EQ(first.size(), 30u);
    ASSERT_EQ(second.size(), first.size());
    int keys = 0;
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(second[i].data, first[i].data) << i;
        EXPECT_EQ(second[i].keyFrame, first[i].keyFrame) << i;
        keys += first[i].keyFrame ? 1 : 0;
    }
    EXPECT_EQ(keys, 3);
}

TEST_F(RecorderCommandsTest, SecondaryDirectoryMustBeWritable) {
    EXPECT_FALSE(buffers.ChangeSecondaryDirectory(dir.File(QStringLiteral("absent"))));
    EXPECT_EQ(prompt.Texts().size(), 1u);
    EXPECT_TRUE(buffers.ChangeSecondaryDirectory(dir.Path()));
    EXPECT_EQ(buffers.Secondary().Directory(), dir.Path());
}

TEST_F(RecorderCommandsTest, BufferLeftBehindMovesToAFreeTimeName) {
    Record(2);
    WriteBytes(dir.File(ArchiveName(kStart, 0)), {9});
    ASSERT_TRUE(buffers.ArchiveLeftBehind());
    EXPECT_FALSE(QFileInfo::exists(BufferPath()));
    EXPECT_EQ(ReadBytes(dir.File(ArchiveName(kStart, 0))), std::vector<uint8_t>{9});
    EXPECT_EQ(ReadRecords(dir.File(ArchiveName(kStart, 1))).size(), 2u);
}

}  // namespace
}  // namespace korvex::test
