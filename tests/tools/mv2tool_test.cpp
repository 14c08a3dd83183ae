#include "buffer/Mv2Header.h"
#include "buffer/Mv2Writer.h"
#include "common/Clock.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace korvex {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// The tool lies in KORVEX_BIN_DIR, or beside the tests' folder in the build tree.
QString ToolPath() {
    QString bin = qEnvironmentVariable("KORVEX_BIN_DIR");
    if (bin.isEmpty()) {
        bin = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin");
    }
    return bin + QStringLiteral("/mv2tool");
}

ToolRun RunTool(const QStringList& args) {
    QProcess tool;
    tool.start(ToolPath(), args);
    ToolRun run;
    if (!tool.waitForFinished(60000)) {
        return run;
    }
    run.exitCode = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    run.out = QString::fromUtf8(tool.readAllStandardOutput());
    run.err = QString::fromUtf8(tool.readAllStandardError());
    return run;
}

class Mv2ToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFile::exists(ToolPath())) << ToolPath().toStdString();
        ManualClock clock(0, 1780000000);
        CMv2Writer writer(clock);
        writer.SetDirectory(dir_.Path());
        ASSERT_TRUE(writer.CreateBufferFile(QStringLiteral("Camera0.mv2"), kFourCCDib,
                                            DibFormat::Rgb(32, 24, 24)));
        const std::vector<uint8_t> picture(DibImageBytes(32, 24, 24), 0x60);
        ASSERT_TRUE(writer.AppendRecord(picture, true));
        ASSERT_TRUE(writer.AppendRecord(picture, true));
        clock.AdvanceMs(1000);
        ASSERT_TRUE(writer.AppendRecord(picture, true));
        path_ = writer.Path();
    }

    TempDir dir_;
    QString path_;
};

TEST_F(Mv2ToolTest, InfoShowsTheHeaderAndTheCounts) {
    const ToolRun run = RunTool({"info", path_});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    for (const char* line :
         {"magic: mv02", "fourcc: DIB ", "frame size: 32 x 24", "frames: 3", "key frames: 3",
          "events: 1", "peak rate: 2", "first frame: ", "last frame: "}) {
        EXPECT_TRUE(run.out.contains(QLatin1String(line))) << line << "\n" << run.out.toStdString();
    }
}

TEST_F(Mv2ToolTest, FramesListsOneLinePerRecord) {
    const ToolRun run = RunTool({"frames", path_});
    ASSERT_EQ(run.exitCode, 0);
    const QStringList lines = run.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 4);
    const QStringList first = lines[1].split('\t');
    ASSERT_EQ(first.size(), 4);
    EXPECT_EQ(first[0], "74");
    EXPECT_EQ(first[2], "2304");
    EXPECT_EQ(first[3], "key");
    EXPECT_EQ(lines[2].split('\t')[0], "2386");
}

TEST_F(Mv2ToolTest, VerifyAcceptsAWholeFileAndNamesTheFirstBadRecordOfATornOne) {
    ToolRun run = RunTool({"verify", path_});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.contains("ok: 3 records"));

    auto bytes = ReadBytes(path_);
    bytes.resize(bytes.size() - 100);
    WriteBytes(path_, bytes);
    run = RunTool({"verify", path_});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.contains("bad record at offset 4698")) << run.out.toStdString();

    WriteBytes(path_, std::vector<uint8_t>(100, 'x'));
    run = RunTool({"verify", path_});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("not a valid KORVEX! MV2 file"));
}

TEST_F(Mv2ToolTest, ExportWritesAnAviFile) {
    const QString target = dir_.File(QStringLiteral("out.avi"));
    const ToolRun run = RunTool({"export", path_, target});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const auto avi = ReadBytes(target);
    ASSERT_GT(avi.size(), 3 * 2304u);
    EXPECT_EQ(std::string(avi.begin(), avi.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(avi.begin() + 8, avi.begin() + 12), "AVI ");

    EXPECT_EQ(RunTool({"export", path_}).exitCode, 2);
    EXPECT_EQ(RunTool({"nonsense", path_}).exitCode, 2);
}

}  // namespace
}  // namespace korvex
