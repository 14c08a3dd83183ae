#include "common/CameraSettings.h"
#include "common/SettingsStore.h"
#include "common/UserPrompt.h"
#include "support/TempDir.h"

#include <QFile>

#include <gtest/gtest.h>

namespace korvex {
namespace {

class CameraSettingsTest : public testing::Test {
protected:
    test::TempDir dir;
    RecordingPrompt prompt;
    CameraLoadContext Context(bool device = true) { return {dir.Path(), device, &prompt}; }
};

TEST_F(CameraSettingsTest, MissingValuesReadAsTheirDefaults) {
    SettingsStore store(dir.SettingsPath());
    const CameraSettings s = LoadCameraSettings(store, "Demo Camera", Context());
    EXPECT_EQ(s.blankScrnFreq, 10);
    EXPECT_EQ(s.maxDelta, 16);
    EXPECT_EQ(s.general.fuseTime, 2);
    EXPECT_EQ(s.general.width, 10);
    EXPECT_EQ(s.general.zoom, 4);
    EXPECT_EQ(s.general.workingDir, dir.Path());
    EXPECT_EQ(s.video.framePerSec, 5);
    EXPECT_EQ(s.video.compressor, kFourCCMjpg);
    EXPECT_EQ(s.video.compQuality, 90);
    EXPECT_EQ(s.detect.level, 20);
    EXPECT_EQ(s.detect.TimeLapseSeconds(), 300);
    EXPECT_EQ(s.lookOut.waveName, dir.File("bark.wav"));
    EXPECT_EQ(s.lookOut.xmitAction, 2);
    EXPECT_EQ(s.recording.SizeLimitKb(), 10 * 1024);
    EXPECT_EQ(s.recording.holdTime, 10);
    EXPECT_EQ(s.recording.recycleCounter, 2);
    EXPECT_EQ(s.diskUsage.firstPercent, 75);
    EXPECT_EQ(s.diskUsage.pagerLineID, -1);
    EXPECT_TRUE(prompt.Entries().empty());
}

TEST_F(CameraSettingsTest, SavedValuesComeBackAndClosingClearsValidBuffer) {
    SettingsStore store(dir.SettingsPath());
    CameraSettings s = LoadCameraSettings(store, "Cam1:USB", Context());
    s.general.left = 30;
    s.general.width = 320;
    s.general.validBuffer = 1;
    s.video.compressor = FourCCFromString("FMP4");
    s.detect.mode = 2;
    s.lookOut.appName = "/usr/bin/true";
    s.recording.sizeUnit = 2;
    s.diskUsage.pageCode = "123#";
    SaveCameraSettings(store, "Cam1:USB", s, true, false);

    CameraSettings back = LoadCameraSettings(store, "Cam1:USB", Context());
    EXPECT_EQ(back.general.left, 30);
    EXPECT_EQ(back.general.width, 320);
    EXPECT_EQ(back.general.validBuffer, 1);
    EXPECT_EQ(back.video.compressor, FourCCFromString("FMP4"));
    EXPECT_EQ(back.detect.mode, 2);
    EXPECT_EQ(back.lookOut.appName, "/usr/bin/true");
    EXPECT_EQ(back.recording.SizeLimitKb(), 10 * 1048576);
    EXPECT_EQ(back.diskUsage.pageCode, "123#");

    SaveCameraSettings(store, "Cam1:USB", back, true, true);
    EXPECT_EQ(LoadCameraSettings(store, "Cam1:USB", Context()).general.validBuffer, 0);
    // Another camera name has sections of its own.
    EXPECT_EQ(LoadCameraSettings(store, "Cam2:USB", Context()).detect.mode, 0);
}

TEST_F(CameraSettingsTest, WindowRectangleIsOnlyReadAndWrittenWithADevice) {
    SettingsStore store(dir.SettingsPath());
    CameraSettings s;
    s.general.left = 55;
    SaveCameraSettings(store, "Cam", s, false, false);
    EXPECT_FALSE(store.Contains("Cam/General", "Left"));
    SaveCameraSettings(store, "Cam", s, true, false);
    EXPECT_EQ(LoadCameraSettings(store, "Cam", Context(true)).general.left, 55);
    EXPECT_EQ(LoadCameraSettings(store, "Cam", Context(false)).general.left, 0);
}

TEST_F(CameraSettingsTest, DamagedValuesAreClampedToTheirRange) {
    SettingsStore store(dir.SettingsPath());
    store.WriteInt("Settings", "BlankScrnFreq", 0);
    store.WriteInt("Cam/Video", "FramePerSec", 0);
    store.WriteInt("Cam/General", "Zoom", -3);
    store.WriteInt("Cam/Detect", "TimeUnit", 7);
    store.WriteInt("Cam/Detect", "TimeLimit", 0);
    store.WriteInt("Cam/Recording", "RecycleNum", 0);
    store.WriteInt("Cam/Recording", "SizeUnit", -1);
    store.WriteInt("Cam/DiskUsage", "Increment", 0);
    store.WriteString("Cam/Detect", "Level", "not a number");
    const CameraSettings s = LoadCameraSettings(store, "Cam", Context());
    EXPECT_EQ(s.blankScrnFreq, 1);
    EXPECT_EQ(s.video.framePerSec, 1);
    EXPECT_EQ(s.general.zoom, 4);
    EXPECT_EQ(s.detect.timeUnit, 2);
    EXPECT_EQ(s.detect.TimeLapseSeconds(), 3600);
    EXPECT_EQ(s.recording.recycleNum, 2);
    EXPECT_EQ(s.recording.SizeLimitKb(), 10);
    EXPECT_EQ(s.diskUsage.increment, 1);
    EXPECT_EQ(s.detect.level, 20);
}

TEST_F(CameraSettingsTest, StoredIv32CompressorIsKept) {
    SettingsStore store(dir.SettingsPath());
    store.WriteInt("Cam/Video", "CompressorH", 12851);
    store.WriteInt("Cam/Video", "CompressorL", 30313);
    EXPECT_EQ(LoadCameraSettings(store, "Cam", Context()).video.compressor,
              FourCCFromString("iv32"));
}

TEST_F(CameraSettingsTest, InvalidWorkingDirFallsBackToProgramDirWithMessage) {
    SettingsStore store(dir.SettingsPath());
    store.WriteString("Cam/General", "WorkingDir", "/nonexistent/korvex");
    store.WriteString("Cam/LookOut", "WaveName", "/usr/share/sounds/dog.wav");
    const CameraSettings s = LoadCameraSettings(store, "Cam", Context());
    EXPECT_EQ(s.general.workingDir, dir.Path());
    EXPECT_EQ(s.lookOut.waveName, "/usr/share/sounds/dog.wav");
    ASSERT_EQ(prompt.Entries().size(), 1u);
    EXPECT_EQ(prompt.Entries()[0].text,
              "The working directory /nonexistent/korvex is no longer valid. The current working "
              "directory has been changed to the location where korvex32.exe resides.");
}

TEST(CamerasUsed, NumbersAreTakenFromTheEnd) {
    QString used = "12";
    EXPECT_EQ(NextCameraNumber(used), 2);
    EXPECT_EQ(NextCameraNumber(used), 1);
    EXPECT_EQ(NextCameraNumber(used), 10);
    QString damaged = "3x";
    EXPECT_EQ(NextCameraNumber(damaged), 3);
    EXPECT_EQ(CamerasUsedAtStart("0123456789"), "");
    EXPECT_EQ(CamerasUsedAtStart("031"), "031");
    EXPECT_EQ(CameraName(3, "USB Camera", true), "Cam3:USB Camera");
    EXPECT_EQ(CameraName(3, "USB Camera", false), "USB Camera");
}

}  // namespace
}  // namespace korvex
