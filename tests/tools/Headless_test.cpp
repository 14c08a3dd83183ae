#include "support/TempDir.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

namespace korvex {
namespace {

QString Bin(const QString& name) {
    return qEnvironmentVariable("KORVEX_BIN_DIR") + "/" + name;
}

// Runs a tool to its end; its exit code and standard output.
std::pair<int, QString> RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000)) {
        process.kill();
        return {-1, "timed out"};
    }
    return {process.exitCode(),
            QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError())};
}

class HeadlessTest : public testing::Test {
protected:
    void SetUp() override {
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert("KORVEX_SETTINGS", dir.SettingsPath());
        environment.insert("KORVEX_DATA_DIR", dir.Path());
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        // The Demo Camera is listed after the machine's own cameras.
        QProcess list;
        list.setProcessEnvironment(environment);
        list.start(Bin("korvex32"), {"--list-cameras"});
        ASSERT_TRUE(list.waitForFinished(30000));
        const auto line =
            QRegularExpression("^Cam(\\d) : Demo Camera$", QRegularExpression::MultilineOption)
                .match(QString::fromUtf8(list.readAllStandardOutput()));
        ASSERT_TRUE(line.hasMatch());
        demoNumber = line.captured(1);
    }

    void StartKorvex(QProcess& process, const QStringList& arguments) {
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(Bin("korvex32"),
                      QStringList{"--headless", "--camera", demoNumber} + arguments);
        ASSERT_TRUE(process.waitForStarted());
    }

    void RunKorvex(const QStringList& arguments) {
        QProcess process;
        StartKorvex(process, arguments);
        ASSERT_TRUE(process.waitForFinished(120000));
        ASSERT_EQ(process.exitStatus(), QProcess::NormalExit);
        ASSERT_EQ(process.exitCode(), 0);
    }

    int ValidBuffer() {
        QSettings settings(dir.SettingsPath(), QSettings::IniFormat);
        return settings.value("Demo Camera/General/ValidBuffer", -1).toInt();
    }

    // The archives an earlier run left: every MV2 file but the buffer itself.
    QStringList Archives() {
        QStringList names = QDir(dir.Path()).entryList({"*.mv2"}, QDir::Files);
        names.removeAll("Camera0.mv2");
        return names;
    }

    test::TempDir dir;
    QProcessEnvironment environment;
    QString demoNumber;
};

// A run on the Demo Camera long enough for its object to cross the picture records an
// event that the tools accept, and a clean end leaves no valid-buffer mark.
TEST_F(HeadlessTest, RecordsDemoCameraMotionIntoAPlayableBuffer) {
    RunKorvex({"--observe", "--duration", "24"});
    const QString buffer = dir.File("Camera0.mv2");
    ASSERT_TRUE(QFileInfo::exists(buffer));

    const auto [verifyCode, verifyText] = RunTool(Bin("mv2tool"), {"verify", buffer});
    EXPECT_EQ(verifyCode, 0) << verifyText.toStdString();
    const auto [infoCode, info] = RunTool(Bin("mv2tool"), {"info", buffer});
    ASSERT_EQ(infoCode, 0);
    const auto frames =
        QRegularExpression("^frames: (\\d+)$", QRegularExpression::MultilineOption).match(info);
    ASSERT_TRUE(frames.hasMatch()) << info.toStdString();
    const int frameCount = frames.captured(1).toInt();
    EXPECT_GT(frameCount, 5);
    EXPECT_TRUE(QRegularExpression("events: [1-9]").match(info).hasMatch()) << info.toStdString();

    const QString avi = dir.File("export.avi");
    const auto [exportCode, exportText] = RunTool(Bin("mv2tool"), {"export", buffer, avi});
    ASSERT_EQ(exportCode, 0) << exportText.toStdString();
    const auto [probeCode, probe] =
        RunTool("ffprobe",
                {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                 "stream=width,height,nb_read_frames", "-of", "default=noprint_wrappers=1", avi});
    ASSERT_EQ(probeCode, 0) << probe.toStdString();
    EXPECT_TRUE(probe.contains("width=320")) << probe.toStdString();
    EXPECT_TRUE(probe.contains("height=240"));
    EXPECT_TRUE(probe.contains(QString("nb_read_frames=%1").arg(frameCount)))
        << probe.toStdString();
    const auto [decodeCode, decodeErrors] =
        RunTool("ffmpeg", {"-v", "error", "-i", avi, "-f", "null", "-"});
    EXPECT_EQ(decodeCode, 0);
    EXPECT_TRUE(decodeErrors.trimmed().isEmpty()) << decodeErrors.toStdString();

    EXPECT_EQ(ValidBuffer(), 0);
}

// SIGTERM ends the program like closing its windows: settings, mask and schedule are saved
// and the buffer counts as closed.
TEST_F(HeadlessTest, EndsCleanlyOnSigterm) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setReadChannel(QProcess::StandardError);
    process.start(Bin("korvex32"), {"--headless", "--camera", demoNumber, "--observe"});
    ASSERT_TRUE(process.waitForStarted());
    QByteArray said;
    while (!said.contains("opened as camera") && process.waitForReadyRead(30000)) {
        said += process.readAllStandardError();
    }
    ASSERT_TRUE(said.contains("opened as camera")) << said.toStdString();
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_EQ(ValidBuffer(), 0);
    EXPECT_TRUE(QFileInfo::exists(dir.File("Korvex" + demoNumber + ".msk")));
    EXPECT_TRUE(QFileInfo::exists(dir.File("Korvex" + demoNumber + ".tmr")));
    QSettings settings(dir.SettingsPath(), QSettings::IniFormat);
    EXPECT_EQ(settings.value("Demo Camera/Video/CompressorL").toInt(), 19021);  // "MJPG"
}

// Killed while recording, the program leaves a buffer that reads to its last whole record;
// an unattended start archives it, a plain start takes it up again.
TEST_F(HeadlessTest, SurvivesAKillWhileRecording) {
    const QString buffer = dir.File("Camera0.mv2");
    QProcess process;
    StartKorvex(process, {"--observe"});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (ValidBuffer() != 1 && std::chrono::steady_clock::now() < deadline) {
        process.waitForFinished(200);
    }
    ASSERT_EQ(ValidBuffer(), 1) << "no motion recorded within a minute";
    process.waitForFinished(700);  // a few more records, maybe one half written
    ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
    process.waitForFinished(10000);

    const auto [verifyCode, verifyText] = RunTool(Bin("mv2tool"), {"verify", buffer});
    EXPECT_EQ(verifyCode, 0) << verifyText.toStdString();
    const qint64 crashedSize = QFileInfo(buffer).size();

    // A plain start keeps the buffer: nothing is overwritten.
    RunKorvex({"--duration", "1"});
    EXPECT_TRUE(Archives().isEmpty());
    EXPECT_GE(QFileInfo(buffer).size(), crashedSize - 65536);
    EXPECT_EQ(RunTool(Bin("mv2tool"), {"verify", buffer}).first, 0);

    // After another crash an unattended start archives the buffer before recording.
    QSettings(dir.SettingsPath(), QSettings::IniFormat)
        .setValue("Demo Camera/General/ValidBuffer", 1);
    RunKorvex({"--observe", "--duration", "1"});
    const QStringList archives = Archives();
    ASSERT_EQ(archives.size(), 1);
    EXPECT_EQ(RunTool(Bin("mv2tool"), {"verify", dir.File(archives[0])}).first, 0);
}

}  // namespace
}  // namespace korvex
