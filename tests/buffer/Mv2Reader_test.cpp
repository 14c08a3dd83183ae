#include "buffer/Mv2Reader.h"
#include "buffer/Mv2Header.h"
#include "buffer/Mv2Writer.h"
#include "common/Clock.h"
#include "common/UserPrompt.h"
#include "common/strings/BufferStrings.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

constexpr std::time_t kWall = 1780000000;

// Builds MV2 files byte by byte, for layouts the writer never makes.
class FileBuilder {
public:
    explicit FileBuilder(uint32_t magic = kMv2Magic, uint32_t largeFrames = 1) {
        Mv2Header header = Mv2Header::Make(kFourCCDib, DibFormat::Rgb(16, 16, 24), kWall);
        header.SetMagic(magic);
        header.SetLargeFrames(largeFrames);
        bytes_ = header.Serialize();
    }
    FileBuilder& Record(uint32_t time, uint32_t length, bool key) {
        const auto fixed = Mv2RecordHeader{time, length, key}.Encode();
        bytes_.insert(bytes_.end(), fixed.begin(), fixed.end());
        bytes_.insert(bytes_.end(), length, static_cast<uint8_t>(time));
        return *this;
    }
    FileBuilder& Raw(std::vector<uint8_t> more) {
        bytes_.insert(bytes_.end(), more.begin(), more.end());
        return *this;
    }
    void Save(const QString& path) const { WriteBytes(path, bytes_); }
    size_t Size() const { return bytes_.size(); }

private:
    std::vector<uint8_t> bytes_;
};

class ReaderTest : public ::testing::Test {
protected:
    ReaderTest() : reader_(&prompt_) {}
    QString Path() const { return dir_.File(QStringLiteral("test.mv2")); }
    bool Open(const FileBuilder& file) {
        file.Save(Path());
        return reader_.Open(Path());
    }

    TempDir dir_;
    RecordingPrompt prompt_;
    CMv2Reader reader_;
};

TEST_F(ReaderTest, AHeaderOnlyFileOpensEmptyWithPeakRateOne) {
    ASSERT_TRUE(Open(FileBuilder()));
    EXPECT_EQ(reader_.FrameCount(), 0);
    EXPECT_EQ(reader_.EventCount(), 0);
    EXPECT_EQ(reader_.PeakRate(), 1);
    EXPECT_FALSE(reader_.HasFrame());
    EXPECT_FALSE(reader_.NextFrame());
    EXPECT_FALSE(reader_.PreviousFrame());
    EXPECT_FALSE(reader_.NextEvent());
    EXPECT_FALSE(reader_.PreviousEvent());
    EXPECT_TRUE(reader_.AtEnd());
}

TEST_F(ReaderTest, ATimeOfZeroEndsTheDataEvenWhenBytesFollow) {
    FileBuilder file;
    file.Record(200, 10, true).Record(0, 10, false).Record(201, 10, true);
    ASSERT_TRUE(Open(file));
    EXPECT_EQ(reader_.FrameCount(), 1);
    EXPECT_TRUE(reader_.HasFrame());
    EXPECT_EQ(reader_.FrameTime(), kWall + 200);
    EXPECT_FALSE(reader_.NextFrame());
    EXPECT_TRUE(reader_.AtEnd());
}

TEST_F(ReaderTest, AKeyFrameStartsAnEventOnlyAfterMoreThanEventIntervalSeconds) {
    FileBuilder file;
    file.Record(1000, 4, true)   // first key frame: an event
        .Record(1120, 4, true)   // exactly 120 s later: same event
        .Record(1241, 4, true)   // 121 s later: a new event
        .Record(2000, 4, false)  // a long gap before a non-key frame: none
        .Record(2001, 4, true);  // 1 s after its predecessor: none
    ASSERT_TRUE(Open(file));
    EXPECT_EQ(reader_.FrameCount(), 5);
    EXPECT_EQ(reader_.KeyFrameCount(), 4);
    ASSERT_EQ(reader_.EventCount(), 2);
    EXPECT_EQ(reader_.Events()[1], reader_.KeyFrames()[2]);
}

TEST_F(ReaderTest, EventIntervalComesFromTheSettings) {
    SettingsStore store(dir_.SettingsPath());
    store.Write(settings::kEventInterval, 10);
    CMv2Reader reader(&prompt_, &store);
    FileBuilder file;
    file.Record(1000, 4, true).Record(1011, 4, true);
    file.Save(Path());
    ASSERT_TRUE(reader.Open(Path()));
    EXPECT_EQ(reader.EventCount(), 2);
}

TEST_F(ReaderTest, OldFormFilesPlayWithAbsoluteTimes) {
    FileBuilder file(kMv2MagicOld);
    file.Record(1700000000, 4, true).Record(1700000001, 4, false);
    ASSERT_TRUE(Open(file));
    EXPECT_EQ(reader_.BaseTime(), 0);
    EXPECT_EQ(reader_.FrameTime(), 1700000000);
    ASSERT_TRUE(reader_.NextFrame());
    EXPECT_EQ(reader_.FrameTime(), 1700000001);
}

TEST_F(ReaderTest, SmallFrameFilesAccept65534BytesAndReport915For65535) {
    FileBuilder small(kMv2Magic, 0);
    small.Record(200, 65534, true).Record(201, 65535, false).Record(202, 4, false);
    ASSERT_TRUE(Open(small));
    EXPECT_EQ(reader_.FrameCount(), 1);
    EXPECT_TRUE(reader_.IndexStoppedAtCorruption());
    ASSERT_EQ(prompt_.Texts().size(), 1u);
    EXPECT_EQ(prompt_.Texts()[0], Str(IDS_MV2_CORRUPTED));
    EXPECT_EQ(reader_.FrameData().size(), 65534u);
    // Playback reaching the bad record stops there without raising the message again.
    EXPECT_FALSE(reader_.NextFrame());
    EXPECT_FALSE(reader_.NextFrame());
    EXPECT_TRUE(reader_.AtEnd());
    EXPECT_EQ(prompt_.Texts().size(), 1u);

    FileBuilder large;
    large.Record(200, 65535, true).Record(201, 1 << 20, false);
    ASSERT_TRUE(Open(large));
    EXPECT_EQ(reader_.FrameCount(), 2);
    ASSERT_TRUE(reader_.NextFrame());
    EXPECT_EQ(reader_.FrameData().size(), 1u << 20);
}

TEST_F(ReaderTest, PeakRateIsTheLongestClosedRunOfOneTimeValue) {
    FileBuilder file;
    file.Record(200, 1, true).Record(200, 1, false).Record(200, 1, false);
    file.Record(201, 1, false).Record(201, 1, false);
    for (int i = 0; i < 5; ++i) {
        file.Record(202, 1, false);  // the open run at the end doesn't count
    }
    ASSERT_TRUE(Open(file));
    EXPECT_EQ(reader_.PeakRate(), 3);

    FileBuilder same;
    same.Record(200, 1, true).Record(200, 1, false).Record(200, 1, false);
    ASSERT_TRUE(Open(same));
    EXPECT_EQ(reader_.PeakRate(), 1);
}

TEST_F(ReaderTest, IndexingReportsProgressEvery50RecordsAndAtTheEnd) {
    FileBuilder file;
    for (int i = 0; i < 120; ++i) {
        file.Record(200, 1, i == 0);
    }
    std::vector<QString> progress;
    reader_.SetProgressListener([&](const QString& text) { progress.push_back(text); });
    ASSERT_TRUE(Open(file));
    EXPECT_EQ(progress,
              (std::vector<QString>{"Reading frame 50", "Reading frame 100", "Reading frame 120"}));
}

TEST_F(ReaderTest, PreviousFrameDecodesFromTheLatestKeyFrameAndStopsAtTheFirst) {
    FileBuilder file;
    file.Record(200, 4, true).Record(201, 4, false).Record(202, 4, false);
    file.Record(203, 4, true).Record(204, 4, false);
    ASSERT_TRUE(Open(file));
    const int64_t first = reader_.Current().offset;
    EXPECT_FALSE(reader_.PreviousFrame());
    EXPECT_EQ(reader_.Current().offset, first);

    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(reader_.NextFrame());
    }
    EXPECT_EQ(reader_.FrameTime(), kWall + 204);
    ASSERT_TRUE(reader_.PreviousFrame());
    EXPECT_EQ(reader_.FrameTime(), kWall + 203);
    ASSERT_TRUE(reader_.PreviousFrame());
    EXPECT_EQ(reader_.FrameTime(), kWall + 202);
    ASSERT_TRUE(reader_.PreviousFrame());
    ASSERT_TRUE(reader_.PreviousFrame());
    EXPECT_TRUE(reader_.AtStart());
    EXPECT_FALSE(reader_.PreviousFrame());
}

TEST_F(ReaderTest, PreviousEventGoesBackOneEventOnlyWithinTheFirstFramesOfAnEvent) {
    FileBuilder file;
    file.Record(1000, 4, true).Record(1001, 4, false);
    file.Record(2000, 4, true).Record(2001, 4, false).Record(2002, 4, false);
    file.Record(2003, 4, false);
    ASSERT_TRUE(Open(file));
    ASSERT_EQ(reader_.EventCount(), 2);

    ASSERT_TRUE(reader_.NextEvent());
    EXPECT_EQ(reader_.FrameTime(), kWall + 2000);
    EXPECT_FALSE(reader_.NextEvent());
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(reader_.NextFrame());
    }
    ASSERT_TRUE(reader_.PreviousEvent());  // well into the event: back to its start
    EXPECT_EQ(reader_.FrameTime(), kWall + 2000);
    ASSERT_TRUE(reader_.PreviousEvent());  // at its start: the event before
    EXPECT_EQ(reader_.FrameTime(), kWall + 1000);
    ASSERT_TRUE(reader_.PreviousEvent());  // the first event stays
    EXPECT_EQ(reader_.FrameTime(), kWall + 1000);
}

TEST_F(ReaderTest, StepsStayInsideTheListsOfAFileWithoutKeyFramesOrEvents) {
    FileBuilder file;
    file.Record(200, 4, false).Record(201, 4, false).Record(202, 4, false);
    ASSERT_TRUE(Open(file));
    EXPECT_EQ(reader_.KeyFrameCount(), 0);
    EXPECT_EQ(reader_.EventCount(), 0);
    EXPECT_FALSE(reader_.NextEvent());
    EXPECT_FALSE(reader_.PreviousEvent());
    ASSERT_TRUE(reader_.NextFrame());
    ASSERT_TRUE(reader_.NextFrame());
    ASSERT_TRUE(reader_.PreviousFrame());
    EXPECT_EQ(reader_.FrameTime(), kWall + 201);
    EXPECT_FALSE(reader_.PreviousEvent());
}

TEST_F(ReaderTest, TheIndexFollowsAFileThatGrowsWhileItPlays) {
    ManualClock clock(0, kWall);
    CMv2Writer writer(clock);
    writer.SetDirectory(dir_.Path());
    ASSERT_TRUE(writer.CreateBufferFile(QStringLiteral("test.mv2"), kFourCCDib,
                                        DibFormat::Rgb(16, 16, 24)));
    ASSERT_TRUE(writer.AppendRecord(std::vector<uint8_t>(8, 1), true));
    ASSERT_TRUE(writer.AppendRecord(std::vector<uint8_t>(8, 2), false));
    ASSERT_TRUE(reader_.Open(Path()));
    EXPECT_EQ(reader_.FrameCount(), 2);
    ASSERT_TRUE(reader_.NextFrame());
    EXPECT_FALSE(reader_.NextFrame());
    EXPECT_TRUE(reader_.AtEnd());

    clock.AdvanceMs(300 * 1000);
    ASSERT_TRUE(writer.AppendRecord(std::vector<uint8_t>(8, 3), true));
    ASSERT_TRUE(writer.AppendRecord(std::vector<uint8_t>(8, 4), false));
    ASSERT_TRUE(reader_.NextFrame());
    EXPECT_FALSE(reader_.AtEnd());
    EXPECT_EQ(reader_.FrameCount(), 4);
    EXPECT_EQ(reader_.KeyFrameCount(), 2);
    EXPECT_EQ(reader_.EventCount(), 2);
    ASSERT_TRUE(reader_.NextFrame());
    ASSERT_TRUE(reader_.PreviousFrame());
    EXPECT_EQ(reader_.Current().offset, reader_.KeyFrames()[1]);
    ASSERT_TRUE(reader_.PreviousEvent());
    EXPECT_EQ(reader_.Current().offset, reader_.Events()[0]);
    ASSERT_TRUE(reader_.NextEvent());
    EXPECT_EQ(reader_.Current().offset, reader_.Events()[1]);
}

TEST_F(ReaderTest, ARecordLongerThanTheRestOfTheFileEndsTheData) {
    FileBuilder file;
    file.Record(200, 4, true);
    const auto torn = Mv2RecordHeader{201, 0x00FFFFFF, true}.Encode();
    file.Raw({torn.begin(), torn.end()}).Raw(std::vector<uint8_t>(100, 9));
    ASSERT_TRUE(Open(file));
    EXPECT_EQ(reader_.FrameCount(), 1);
    EXPECT_FALSE(reader_.NextFrame());
    EXPECT_TRUE(reader_.AtEnd());
    EXPECT_EQ(reader_.FrameTime(), kWall + 200);
}

TEST_F(ReaderTest, ForeignTruncatedOrMissingFilesAreRefusedWithTheirMessages) {
    WriteBytes(Path(), std::vector<uint8_t>(100, 'x'));
    EXPECT_FALSE(reader_.Open(Path()));
    // A format length beyond the end of the file, and one shorter than a bitmap header.
    auto bytes = ReadBytes(Path());
    FileBuilder().Save(Path());
    bytes = ReadBytes(Path());
    bytes[30] = 0xFF;
    bytes[31] = 0xFF;
    WriteBytes(Path(), bytes);
    EXPECT_FALSE(reader_.Open(Path()));
    bytes[30] = 39;
    bytes[31] = 0;
    WriteBytes(Path(), bytes);
    EXPECT_FALSE(reader_.Open(Path()));
    bytes.resize(20);
    WriteBytes(Path(), bytes);
    EXPECT_FALSE(reader_.Open(Path()));
    EXPECT_EQ(prompt_.Texts(), std::vector<QString>(4, Str(IDS_MV2_NOT_VALID)));
    EXPECT_FALSE(reader_.IsOpen());

    prompt_.Clear();
    EXPECT_FALSE(reader_.Open(dir_.File(QStringLiteral("none.mv2"))));
    ASSERT_EQ(prompt_.Texts().size(), 2u);
    EXPECT_EQ(prompt_.Texts()[0], Str(IDS_MV2_OPEN_READ_FAILED));
    EXPECT_EQ(prompt_.Texts()[1], QStringLiteral("System Message : No such file or directory"));
}

TEST_F(ReaderTest, AHeaderClaimingAHugePictureOpensAsUsual) {
    FileBuilder file;
    file.Record(200, 4, true);
    file.Save(Path());
    auto bytes = ReadBytes(Path());
    for (size_t at : {34u + 4u, 34u + 8u}) {  // biWidth, biHeight
        bytes[at] = 0xFF;
        bytes[at + 1] = 0xFF;
        bytes[at + 2] = 0xFF;
        bytes[at + 3] = 0x7F;
    }
    bytes[34 + 14] = 0xFF;  // biBitCount
    WriteBytes(Path(), bytes);
    ASSERT_TRUE(reader_.Open(Path()));
    EXPECT_EQ(reader_.FrameCount(), 1);
    EXPECT_EQ(reader_.FrameData().size(), 4u);
}

}  // namespace
}  // namespace korvex
