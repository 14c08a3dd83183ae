#include "camera/AlertActions.h"
#include "camera/SoundOutput.h"
#include "common/Clock.h"
#include "common/SettingsStore.h"
#include "common/UserPrompt.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace korvex {
namespace {

class SoundLog : public SoundOutput {
public:
    void PlayFile(const QString& path) override { files.push_back(path); }
    void Beep(int, int) override {}
    std::vector<QString> files;
};

// A program that writes its arguments, one per line, to `record`.
void WriteRecorderScript(const QString& path, const QString& record) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + QFile::encodeName(record) +
               ".tmp\"\n"
               "mv \"" +
               QFile::encodeName(record) + ".tmp\" \"" + QFile::encodeName(record) + "\"\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Waits for a started program to leave its record; the program runs on its own.
QByteArray WaitForRecord(const QString& record) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        QFile file(record);
        if (file.open(QIODevice::ReadOnly)) {
            return file.readAll();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return "timed out";
}

class AlertActionsTest : public testing::Test {
protected:
    AlertActionsTest()
        : store(dir.SettingsPath()),
          clock(0, 1700000000),
          alerts(store, prompt, sound, clock, dir.Path()) {
        setenv("TZ", "UTC", 1);
        tzset();
        settings.general.workingDir = dir.Path();
        alerts.SetSettings(&settings);
    }

    test::TempDir dir;
    SettingsStore store;
    RecordingPrompt prompt;
    SoundLog sound;
    ManualClock clock;
    CameraSettings settings;
    AlertActions alerts;
};

TEST_F(AlertActionsTest, ProgramsStartWithSeparateArgumentsAndTheirLaunchSwitch) {
    const QString folder = dir.File("my tools; $(touch injected)");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString program = folder + "/notify.sh";
    WriteRecorderScript(program, dir.File("launched"));
    store.WriteInt("Capabilities", "notify", 1);
    settings.lookOut.launchApp = 1;
    settings.lookOut.appName = program;
    alerts.FireAlertActions();
    EXPECT_EQ(WaitForRecord(dir.File("launched")), "-launch\n");
    EXPECT_FALSE(QFile::exists(dir.File("injected")));
    EXPECT_TRUE(prompt.Entries().empty());
}

TEST_F(AlertActionsTest, AProgramThatCannotStartIsReported) {
    settings.lookOut.launchApp = 1;
    settings.lookOut.appName = dir.File("missing-program");
    alerts.FireAlertActions();
    ASSERT_EQ(prompt.Entries().size(), 2u);
    EXPECT_EQ(prompt.Entries()[0].text, "Failed to launch the application.");
    EXPECT_TRUE(prompt.Entries()[1].text.startsWith("System Message : "));
}

TEST_F(AlertActionsTest, TheUploaderStartsOnceUntilItsFlagIsCleared) {
    WriteRecorderScript(alerts.UploaderPath(), dir.File("uploader"));
    settings.lookOut.sendImage = 1;
    settings.lookOut.playWave = 1;
    settings.lookOut.waveName = "/sounds/bark.wav";
    alerts.FireAlertActions();
    EXPECT_EQ(WaitForRecord(dir.File("uploader")), "-launch\n");
    EXPECT_EQ(store.Read(settings::kPostrixLaunched), 1);
    QFile::remove(dir.File("uploader"));
    alerts.FireAlertActions();
    EXPECT_FALSE(QFile::exists(dir.File("uploader")));
    EXPECT_EQ(sound.files, (std::vector<QString>{"/sounds/bark.wav", "/sounds/bark.wav"}));

    QFile::remove(alerts.UploaderPath());
    store.Write(settings::kPostrixLaunched, 0);
    alerts.FireAlertActions();
    EXPECT_EQ(store.Read(settings::kPostrixLaunched), 0);  // the next alert tries again
    EXPECT_EQ(prompt.Entries().size(), 2u);
}

TEST_F(AlertActionsTest, AlertStillsAreWrittenWholeInBothDirectories) {
    const QString second = dir.File("second");
    ASSERT_TRUE(QDir().mkpath(second));
    settings.general.enableSecondDir = 1;
    settings.general.secondaryWorkingDir = second;
    settings.lookOut.saveFrame = 1;
    const DibFormat format = DibFormat::Rgb(320, 240, 24);
    const std::vector<uint8_t> bits(format.ImageBytes(), 128);
    alerts.SaveAlertImages(format, bits);
    alerts.SaveAlertImages(format, bits);  // a second alert in the same second

    for (const QString& folder : {dir.Path(), second}) {
        const QImage stamped(folder + "/111423_221320.jpg");
        EXPECT_EQ(stamped.size(), QSize(320, 260)) << folder.toStdString();
        EXPECT_TRUE(QFile::exists(folder + "/111423_221320_1.jpg"));
        EXPECT_EQ(QImage(folder + "/lookout.jpg").size(), QSize(320, 260));
        EXPECT_TRUE(QDir(folder).entryList({"*.part"}, QDir::Files | QDir::Hidden).isEmpty());
    }
    EXPECT_EQ(store.Read(settings::kLastSavedFile), dir.File("111423_221320_1.jpg"));
}

TEST_F(AlertActionsTest, FixedNameAloneGoesThroughTheBitmap) {
    const DibFormat format = DibFormat::Rgb(160, 120, 24);
    const std::vector<uint8_t> bits(format.ImageBytes(), 40);
    alerts.SaveAlertImages(format, bits);
    EXPECT_EQ(QImage(dir.File("lookout.jpg")).size(), QSize(160, 140));
    EXPECT_TRUE(QDir(dir.Path()).entryList({"1114*"}, QDir::Files).isEmpty());
    EXPECT_TRUE(store.Read(settings::kLastSavedFile).isEmpty());
}

}  // namespace
}  // namespace korvex
