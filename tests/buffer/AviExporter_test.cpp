#include "buffer/AviExporter.h"
#include "buffer/Mv2Writer.h"
#include "common/Clock.h"
#include "common/UserPrompt.h"
#include "common/strings/BufferStrings.h"
#include "support/TempDir.h"
#include "video/FrameCompressor.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace korvex {
namespace {

using test::ReadBytes;
using test::TempDir;

constexpr std::time_t kWall = 1780000000;

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24;
}

std::string IdAt(const std::vector<uint8_t>& b, size_t at) {
    return std::string(reinterpret_cast<const char*>(b.data() + at), 4);
}

// One chunk of a RIFF file: its id path ("AVI /hdrl/avih"), where its data begins and how
// long it is.
struct Chunk {
    std::string path;
    size_t header = 0;
    size_t data = 0;
    uint32_t size = 0;
};

void WalkChunks(const std::vector<uint8_t>& b, size_t at, size_t end, const std::string& parent,
                std::vector<Chunk>& out) {
    while (at + 8 <= end) {
        const std::string id = IdAt(b, at);
        const uint32_t size = U32At(b, at + 4);
        ASSERT_LE(at + 8 + size, end) << "chunk " << id << " at " << at;
        if (id == "RIFF" || id == "LIST") {
            const std::string path = parent + IdAt(b, at + 8) + "/";
            out.push_back({path, at, at + 12, size - 4});
            WalkChunks(b, at + 12, at + 8 + size, path, out);
        } else {
            out.push_back({parent + id, at, at + 8, size});
        }
        at += 8 + size + (size & 1);
    }
}

class AviExportTest : public ::testing::Test {
protected:
    AviExportTest() : clock_(0, kWall), writer_(clock_) {
        writer_.SetDirectory(dir_.Path());
        EXPECT_TRUE(writer_.CreateBufferFile(QStringLiteral("Camera0.mv2"), kFourCCDib,
                                             DibFormat::Rgb(kWidth, kHeight, 24)));
    }
    // One 24-bit picture: a gradient that moves with `n`.
    std::vector<uint8_t> Picture(int n) const {
        std::vector<uint8_t> bits(DibImageBytes(kWidth, kHeight, 24));
        for (size_t i = 0; i < bits.size(); ++i) {
            bits[i] = static_cast<uint8_t>(i * 7 + n * 31);
        }
        return bits;
    }
    QString Source() const { return writer_.Path(); }
    QString Target() const { return dir_.File(QStringLiteral("out.avi")); }
    std::vector<Chunk> Chunks() {
        const auto bytes = ReadBytes(Target());
        std::vector<Chunk> chunks;
        WalkChunks(bytes, 0, bytes.size(), "", chunks);
        return chunks;
    }
    static const Chunk* Find(const std::vector<Chunk>& chunks, const std::string& path) {
        for (const Chunk& c : chunks) {
            if (c.path == path) {
                return &c;
            }
        }
        return nullptr;
    }

    static constexpr int kWidth = 64;
    static constexpr int kHeight = 48;
    TempDir dir_;
    ManualClock clock_;
    CMv2Writer writer_;
    RecordingPrompt prompt_;
};

TEST_F(AviExportTest, ThreeFramesGiveHeadersAndAnIndexThatAgree) {
    ASSERT_TRUE(writer_.AppendRecord(std::vector<uint8_t>(10, 1), true));
    ASSERT_TRUE(writer_.AppendRecord(std::vector<uint8_t>(11, 2), false));
    ASSERT_TRUE(writer_.AppendRecord(std::vector<uint8_t>(12, 3), false));
    AviExporter exporter(&prompt_);
    ASSERT_TRUE(exporter.Export(Source(), Target()));
    const auto bytes = ReadBytes(Target());
    const auto chunks = Chunks();

    EXPECT_EQ(IdAt(bytes, 0), "RIFF");
    EXPECT_EQ(U32At(bytes, 4), bytes.size() - 8);
    const Chunk* avih = Find(chunks, "AVI /hdrl/avih");
    ASSERT_NE(avih, nullptr);
    EXPECT_EQ(avih->size, 56u);
    EXPECT_EQ(U32At(bytes, avih->data + 12), 0x10u);  // has index
    EXPECT_EQ(U32At(bytes, avih->data + 16), 3u);     // total frames
    EXPECT_EQ(U32At(bytes, avih->data + 32), 64u);    // width
    EXPECT_EQ(U32At(bytes, avih->data + 36), 48u);    // height
    const Chunk* strh = Find(chunks, "AVI /hdrl/strl/strh");
    ASSERT_NE(strh, nullptr);
    EXPECT_EQ(strh->size, 64u);
    EXPECT_EQ(IdAt(bytes, strh->data), "vids");
    EXPECT_EQ(U32At(bytes, strh->data + 4), 0u);   // handler of uncompressed frames
    EXPECT_EQ(U32At(bytes, strh->data + 32), 3u);  // length
    EXPECT_EQ(U32At(bytes, strh->data + 40), 0xFFFFFFFFu);
    const Chunk* strf = Find(chunks, "AVI /hdrl/strl/strf");
    ASSERT_NE(strf, nullptr);
    EXPECT_EQ(strf->size, 40u);

    const Chunk* movi = Find(chunks, "AVI /movi/");
    const Chunk* idx1 = Find(chunks, "AVI /idx1");
    ASSERT_NE(movi, nullptr);
    ASSERT_NE(idx1, nullptr);
    ASSERT_EQ(idx1->size, 48u);
    const uint32_t flags[] = {0x10, 0, 0};
    for (size_t i = 0; i < 3; ++i) {
        const size_t entry = idx1->data + 16 * i;
        EXPECT_EQ(IdAt(bytes, entry), "00dc");
        EXPECT_EQ(U32At(bytes, entry + 4), flags[i]);
        const size_t chunk = movi->header + 8 + U32At(bytes, entry + 8);
        EXPECT_EQ(IdAt(bytes, chunk), "00dc");
        EXPECT_EQ(U32At(bytes, entry + 12), 10 + i);
        EXPECT_EQ(U32At(bytes, chunk + 4), 10 + i);
        EXPECT_EQ(bytes[chunk + 8], i + 1);
    }
    EXPECT_EQ(U32At(bytes, idx1->data + 8), 4u);
    EXPECT_EQ(U32At(bytes, idx1->data + 24), 4u + 8 + 10);
    // The odd 11-byte frame is followed by one padding byte.
    EXPECT_EQ(U32At(bytes, idx1->data + 40), 4u + 8 + 10 + 8 + 11 + 1);
}

TEST_F(AviExportTest, MicrosecondsPerFrameFollowThePeakRate) {
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(writer_.AppendRecord(std::vector<uint8_t>(4, 1), i == 0));
    }
    clock_.AdvanceMs(1000);
    ASSERT_TRUE(writer_.AppendRecord(std::vector<uint8_t>(4, 1), false));
    AviExporter exporter(&prompt_);
    ASSERT_TRUE(exporter.Export(Source(), Target()));
    const auto bytes = ReadBytes(Target());
    const Chunk* avih = Find(Chunks(), "AVI /hdrl/avih");
    ASSERT_NE(avih, nullptr);
    EXPECT_EQ(U32At(bytes, avih->data), 333333u);
    const Chunk* strh = Find(Chunks(), "AVI /hdrl/strl/strh");
    EXPECT_EQ(U32At(bytes, strh->data + 24), 3u);  // rate
}

TEST_F(AviExportTest, OnlyTheFramesCountedAtTheStartAreExportedWhileTheSourceGrows) {
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(writer_.AppendRecord(std::vector<uint8_t>(8, 1), i == 0));
    }
    AviExporter exporter(&prompt_);
    exporter.SetProgressListener([this](int64_t, int64_t) {
        ASSERT_TRUE(writer_.AppendRecord(std::vector<uint8_t>(8, 2), true));
    });
    ASSERT_TRUE(exporter.Export(Source(), Target()));
    const auto bytes = ReadBytes(Target());
    const auto chunks = Chunks();
    size_t frameChunks = 0;
    for (const Chunk& c : chunks) {
        frameChunks += c.path == "AVI /movi/00dc";
    }
    EXPECT_EQ(frameChunks, 4u);
    EXPECT_EQ(U32At(bytes, Find(chunks, "AVI /hdrl/avih")->data + 16), 4u);
    EXPECT_EQ(U32At(bytes, Find(chunks, "AVI /hdrl/strl/strh")->data + 32), 4u);
    EXPECT_EQ(Find(chunks, "AVI /idx1")->size, 64u);
}

TEST_F(AviExportTest, AnExportPastTheRiffLimitStopsWithAMessageAndLeavesNoFile) {
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(writer_.AppendRecord(std::vector<uint8_t>(500, 1), i == 0));
    }
    AviExporter exporter(&prompt_, nullptr, 4000);
    EXPECT_FALSE(exporter.Export(Source(), Target()));
    EXPECT_EQ(prompt_.Texts(), std::vector<QString>{Str(IDS_AVI_TOO_LARGE)});
    EXPECT_FALSE(QFile::exists(Target()));
}

TEST_F(AviExportTest, AMissingSourceOrAnUnwritableTargetFailWithTheirMessages) {
    AviExporter exporter(&prompt_);
    EXPECT_FALSE(exporter.Export(dir_.File(QStringLiteral("none.mv2")), Target()));
    ASSERT_FALSE(prompt_.Texts().empty());
    EXPECT_EQ(prompt_.Texts()[0], Str(IDS_MV2_OPEN_READ_FAILED));
    EXPECT_FALSE(QFile::exists(Target()));

    prompt_.Clear();
    EXPECT_FALSE(exporter.Export(Source(), dir_.File(QStringLiteral("no/dir/out.avi"))));
    EXPECT_EQ(prompt_.Texts(), std::vector<QString>{Str(IDS_MV2_OPEN_WRITE_FAILED)});
}

TEST_F(AviExportTest, FfprobeReadsTheUncompressedExportWithItsFrameCountAndSize) {
    const QString ffprobe = QStandardPaths::findExecutable(QStringLiteral("ffprobe"));
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffprobe.isEmpty() || ffmpeg.isEmpty()) {
        GTEST_SKIP() << "ffprobe and ffmpeg are needed";
    }
    for (int i = 0; i < 7; ++i) {
        ASSERT_TRUE(writer_.AppendRecord(Picture(i), true));
        clock_.AdvanceMs(200);
    }
    AviExporter exporter(&prompt_);
    ASSERT_TRUE(exporter.Export(Source(), Target()));

    QProcess probe;
    probe.start(ffprobe, {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                          "stream=codec_name,width,height,nb_read_frames", "-of",
                          "default=noprint_wrappers=1", Target()});
    ASSERT_TRUE(probe.waitForFinished(60000));
    const QString out = QString::fromUtf8(probe.readAllStandardOutput());
    EXPECT_EQ(probe.exitCode(), 0) << probe.readAllStandardError().toStdString();
    EXPECT_TRUE(out.contains("width=64")) << out.toStdString();
    EXPECT_TRUE(out.contains("height=48")) << out.toStdString();
    EXPECT_TRUE(out.contains("nb_read_frames=7")) << out.toStdString();

    QProcess decode;
    decode.start(ffmpeg, {"-v", "error", "-xerror", "-i", Target(), "-f", "null", "-"});
    ASSERT_TRUE(decode.waitForFinished(60000));
    EXPECT_EQ(decode.exitCode(), 0);
    EXPECT_TRUE(decode.readAllStandardError().isEmpty());
}

TEST_F(AviExportTest, AnMjpgBufferExportsWithItsHandlerAndDecodes) {
    const QString ffprobe = QStandardPaths::findExecutable(QStringLiteral("ffprobe"));
    if (ffprobe.isEmpty()) {
        GTEST_SKIP() << "ffprobe is needed";
    }
    const DibFormat raw = DibFormat::Rgb(kWidth, kHeight, 24);
    FrameCompressor compressor(prompt_);
    ASSERT_TRUE(compressor.OpenCompressor(kFourCCMjpg, raw));
    CMv2Writer writer(clock_);
    writer.SetDirectory(dir_.Path());
    ASSERT_TRUE(writer.CreateBufferFile(QStringLiteral("Camera1.mv2"), kFourCCMjpg,
                                        compressor.OutFormat()));
    for (int i = 0; i < 5; ++i) {
        const auto frame = compressor.CompressFrame(Picture(i));
        ASSERT_TRUE(frame);
        ASSERT_TRUE(writer.AppendRecord(frame->data, frame->keyFrame));
    }
    AviExporter exporter(&prompt_);
    ASSERT_TRUE(exporter.Export(writer.Path(), Target()));
    const auto bytes = ReadBytes(Target());
    EXPECT_EQ(IdAt(bytes, Find(Chunks(), "AVI /hdrl/strl/strh")->data + 4), "MJPG");

    QProcess probe;
    probe.start(ffprobe, {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                          "stream=codec_name,width,height,nb_read_frames", "-of",
                          "default=noprint_wrappers=1", Target()});
    ASSERT_TRUE(probe.waitForFinished(60000));
    const QString out = QString::fromUtf8(probe.readAllStandardOutput());
    EXPECT_TRUE(out.contains("codec_name=mjpeg")) << out.toStdString();
    EXPECT_TRUE(out.contains("width=64")) << out.toStdString();
    EXPECT_TRUE(out.contains("nb_read_frames=5")) << out.toStdString();
    EXPECT_TRUE(probe.readAllStandardError().isEmpty());
}

}  // namespace
}  // namespace korvex
