#include "buffer/Mv2Writer.h"
#include "buffer/Mv2Header.h"
#include "buffer/Mv2Reader.h"
#include "common/Clock.h"
#include "common/UserPrompt.h"
#include "common/strings/BufferStrings.h"
#include "support/TempDir.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cstring>

namespace korvex {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

constexpr std::time_t kWall = 1780000000;

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24;
}

std::vector<uint8_t> Frame(size_t n, uint8_t fill) {
    return std::vector<uint8_t>(n, fill);
}

class WriterTest : public ::testing::Test {
protected:
    WriterTest() : clock_(0, kWall), writer_(clock_, &prompt_) {
        writer_.SetDirectory(dir_.Path());
        writer_.SetFailureListener([this](int id, const QString& text) {
            failures_.push_back({id, text});
        });
    }
    QString BufferPath() const { return dir_.File(QStringLiteral("Camera0.mv2")); }
    bool Create() {
        return writer_.CreateBufferFile(QStringLiteral("Camera0.mv2"), kFourCCDib,
                                        DibFormat::Rgb(320, 240, 24));
    }

    TempDir dir_;
    ManualClock clock_;
    RecordingPrompt prompt_;
    CMv2Writer writer_;
    std::vector<std::pair<int, QString>> failures_;
};

TEST_F(WriterTest, HeaderOfA24BitFormatIs74BytesWithTheBaseTime100SecondsBeforeCreation) {
    ASSERT_TRUE(Create());
    const auto bytes = ReadBytes(BufferPath());
    ASSERT_EQ(bytes.size(), 74u);
    EXPECT_EQ(std::memcmp(bytes.data(), "mv02", 4), 0);
    EXPECT_EQ(U32At(bytes, 4), 1u);
    EXPECT_EQ(U32At(bytes, 8), kFourCCDib);
    EXPECT_EQ(U32At(bytes, 30), 40u);
    Mv2Header header;
    ASSERT_EQ(Mv2Header::Parse(bytes, header), Mv2Header::ParseStatus::Ok);
    EXPECT_EQ(header.BaseTime(), kWall - 100);
    EXPECT_EQ(writer_.WritePos(), 74);
    EXPECT_EQ(writer_.CommitPos(), 74);
}

TEST_F(WriterTest, EightBitFormatWithoutColourCountStoresAFullColourTable) {
    DibFormat format = DibFormat::Rgb(160, 120, 8);
    format.SetColourCount(0);
    ASSERT_TRUE(writer_.CreateBufferFile(QStringLiteral("Camera0.mv2"), kFourCCDib, format));
    const auto bytes = ReadBytes(BufferPath());
    ASSERT_EQ(bytes.size(), 1098u);
    EXPECT_EQ(U32At(bytes, 30), 1064u);
    EXPECT_EQ(U32At(bytes, 34 + 32), 256u);  // biClrUsed
}

TEST_F(WriterTest, RecordsCarryTimeOffsetLengthKeyBitAndDataAndTheFileEndsAtWritePos) {
    ASSERT_TRUE(Create());
    clock_.AdvanceMs(2000);
    ASSERT_TRUE(writer_.AppendRecord(Frame(10, 0xAB), true));
    ASSERT_TRUE(writer_.AppendRecord(Frame(5, 0xCD), false));
    const auto bytes = ReadBytes(BufferPath());
    ASSERT_EQ(static_cast<int64_t>(bytes.size()), writer_.WritePos());
    ASSERT_EQ(bytes.size(), 74u + 18u + 13u);
    EXPECT_EQ(U32At(bytes, 74), 102u);
    EXPECT_EQ(U32At(bytes, 78), 0x8000000Au);
    EXPECT_EQ(bytes[82], 0xAB);
    EXPECT_EQ(U32At(bytes, 92), 102u);
    EXPECT_EQ(U32At(bytes, 96), 5u);
    EXPECT_EQ(bytes[100], 0xCD);
}

TEST_F(WriterTest, DroppedRecordsAreOverwrittenAndCutByTheNextRecord) {
    ASSERT_TRUE(Create());
    ASSERT_TRUE(writer_.AppendRecord(Frame(2000, 1), true));
    writer_.Commit();
    const int64_t kept = writer_.WritePos();
    ASSERT_TRUE(writer_.AppendRecord(Frame(3000, 2), true));
    ASSERT_TRUE(writer_.AppendRecord(Frame(3000, 3), false));
    writer_.DropUncommitted();
    EXPECT_EQ(writer_.WritePos(), kept);
    ASSERT_TRUE(writer_.AppendRecord(Frame(7, 4), true));
    const auto bytes = ReadBytes(BufferPath());
    EXPECT_EQ(static_cast<int64_t>(bytes.size()), kept + 15);
    EXPECT_EQ(bytes.back(), 4);
}

TEST_F(WriterTest, ResetForgetsTheContentsButLeavesTheFile) {
    ASSERT_TRUE(Create());
    ASSERT_TRUE(writer_.AppendRecord(Frame(2000, 1), true));
    EXPECT_TRUE(writer_.HasData());
    const auto before = ReadBytes(BufferPath());
    writer_.Reset();
    EXPECT_FALSE(writer_.HasData());
    EXPECT_EQ(writer_.WritePos(), 0);
    EXPECT_FALSE(writer_.AppendRecord(Frame(10, 2), true));
    EXPECT_EQ(ReadBytes(BufferPath()), before);
}

TEST_F(WriterTest, EmptyDirectoryOrRecordingOffTouchesNoFile) {
    CMv2Writer off(clock_, &prompt_);
    EXPECT_TRUE(
        off.CreateBufferFile(QStringLiteral("Camera0.mv2"), kFourCCDib, DibFormat::Rgb(8, 8, 24)));
    EXPECT_TRUE(off.AppendRecord(Frame(2000, 1), true));
    EXPECT_FALSE(off.HasData());
    EXPECT_TRUE(off.BelowLimit());

    writer_.SetDoRecording(false);
    EXPECT_TRUE(Create());
    EXPECT_TRUE(writer_.AppendRecord(Frame(10, 1), true));
    EXPECT_FALSE(QFile::exists(BufferPath()));
}

TEST_F(WriterTest, PassingTheLimitShowsMessage153OnceTheRecordIsWritten) {
    writer_.SetLimit(true, 1);
    ASSERT_TRUE(Create());
    ASSERT_TRUE(writer_.AppendRecord(Frame(900, 1), true));
    EXPECT_TRUE(writer_.BelowLimit());
    EXPECT_TRUE(prompt_.Entries().empty());
    ASSERT_TRUE(writer_.AppendRecord(Frame(2000, 1), false));
    EXPECT_FALSE(writer_.BelowLimit());
    ASSERT_EQ(prompt_.Texts().size(), 1u);
    EXPECT_EQ(prompt_.Texts()[0], Str(IDS_MV2_LIMIT_REACHED));
    EXPECT_EQ(static_cast<int64_t>(ReadBytes(BufferPath()).size()), writer_.WritePos());
}

TEST_F(WriterTest, UnwritableDirectoryReports901WithTheSystemTextAndRefusesAppends) {
    writer_.SetDirectory(dir_.File(QStringLiteral("missing")));
    EXPECT_FALSE(Create());
    ASSERT_EQ(failures_.size(), 1u);
    EXPECT_EQ(failures_[0].first, IDS_MV2_OPEN_WRITE_FAILED);
    EXPECT_EQ(failures_[0].second, QStringLiteral("Device ") + dir_.File("missing") +
                                       QStringLiteral(" - System Message : No such file or "
                                                      "directory ") +
                                       Str(IDS_MV2_OPEN_WRITE_FAILED));
    EXPECT_TRUE(writer_.HasError());
    EXPECT_FALSE(writer_.AppendRecord(Frame(10, 1), true));
}

TEST_F(WriterTest, ReopenContinuesWithTheFilesBaseTime) {
    ASSERT_TRUE(Create());
    ASSERT_TRUE(writer_.AppendRecord(Frame(2000, 1), true));
    const int64_t end = writer_.WritePos();

    ManualClock later(0, kWall + 500);
    CMv2Writer reopened(later, &prompt_);
    reopened.SetDirectory(dir_.Path());
    ASSERT_TRUE(reopened.Reopen(QStringLiteral("Camera0.mv2")));
    EXPECT_EQ(reopened.WritePos(), end);
    EXPECT_EQ(reopened.StartTime(), kWall - 100);
    ASSERT_TRUE(reopened.AppendRecord(Frame(10, 2), false));
    const auto bytes = ReadBytes(BufferPath());
    EXPECT_EQ(U32At(bytes, static_cast<size_t>(end)), 600u);
}

TEST_F(WriterTest, ReopenCutsATornLastRecordSoLaterRecordsStayReadable) {
    ASSERT_TRUE(Create());
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(writer_.AppendRecord(Frame(500, 1), i == 0));
    }
    const int64_t whole = writer_.WritePos();
    // A crash in the middle of the fourth record: its header claims 1000 bytes, 10 arrived.
    auto bytes = ReadBytes(BufferPath());
    const auto torn = Mv2RecordHeader{150, 1000, false}.Encode();
    bytes.insert(bytes.end(), torn.begin(), torn.end());
    bytes.insert(bytes.end(), 10, 0x77);
    WriteBytes(BufferPath(), bytes);

    CMv2Writer restored(clock_, &prompt_);
    restored.SetDirectory(dir_.Path());
    ASSERT_TRUE(restored.Reopen(QStringLiteral("Camera0.mv2")));
    EXPECT_EQ(restored.WritePos(), whole);
    EXPECT_EQ(QFileInfo(BufferPath()).size(), whole);
    ASSERT_TRUE(restored.AppendRecord(Frame(20, 2), true));

    CMv2Reader reader;
    ASSERT_TRUE(reader.Open(BufferPath()));
    EXPECT_EQ(reader.FrameCount(), 4);
}

TEST_F(WriterTest, ReopenRefusesOldFormFilesAndForeignFilesWith914AndMissingFilesWith902) {
    Mv2Header old = Mv2Header::Make(kFourCCDib, DibFormat::Rgb(8, 8, 24), kWall);
    old.SetMagic(kMv2MagicOld);
    WriteBytes(dir_.File("old.mv2"), old.Serialize());
    EXPECT_FALSE(writer_.Reopen(QStringLiteral("old.mv2")));
    ASSERT_EQ(prompt_.Texts().size(), 1u);
    EXPECT_EQ(prompt_.Texts()[0], Str(IDS_MV2_NOT_VALID));

    WriteBytes(dir_.File("foreign.mv2"), std::vector<uint8_t>(200, 'x'));
    EXPECT_FALSE(writer_.Reopen(QStringLiteral("foreign.mv2")));
    EXPECT_EQ(prompt_.Texts().size(), 2u);

    EXPECT_FALSE(writer_.Reopen(QStringLiteral("none.mv2")));
    ASSERT_EQ(failures_.size(), 1u);
    EXPECT_EQ(failures_[0].first, IDS_MV2_OPEN_READ_FAILED);
}

TEST_F(WriterTest, AClockSetBackNeverStoresTheEndOfDataTime) {
    ManualClock clock(0, kWall);
    CMv2Writer writer(clock, &prompt_);
    writer.SetDirectory(dir_.Path());
    ASSERT_TRUE(writer.CreateBufferFile(QStringLiteral("Camera0.mv2"), kFourCCDib,
                                        DibFormat::Rgb(8, 8, 24)));
    clock.SetWallBase(kWall - 1000);
    ASSERT_TRUE(writer.AppendRecord(Frame(4, 1), true));
    CMv2Reader reader;
    ASSERT_TRUE(reader.Open(BufferPath()));
    EXPECT_EQ(reader.FrameCount(), 1);
}

}  // namespace
}  // namespace korvex
