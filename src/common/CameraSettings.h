#pragma once

#include <QString>

#include "common/FourCC.h"

#include <cstdint>

namespace korvex {

class SettingsStore;
class UserPrompt;

// A camera's settings, one struct per section of the camera ("<camera>/General", ...).
// Flags are ints holding 0 or 1, as they are stored.
struct CameraGeneral {
    int fuseTime = 2;
    int screenSaver = 0;
    int minimize = 0;
    int lookOut = 0;
    int autoAdjust = 1;
    int observeAtLaunch = 0;
    int lookOutAtLaunch = 0;
    int timerAtLaunch = 0;
    int listenAtLaunch = 0;
    int liveWithPlayback = 0;
    int blankTest = 0;
    int left = 0;
    int top = 0;
    int width = 10;  // 10: the window was never placed
    int height = 10;
    int zoom = 4;  // quarters: 4 is 100 %
    QString workingDir;
    QString secondaryWorkingDir;
    int enableSecondDir = 0;
    int videoOff = 0;
    int videoOffOri = 0;
    int validBuffer = 0;
};

struct CameraVideo {
    int framePerSec = 5;
    uint32_t compressor = kFourCCMjpg;
    int compQuality = 90;
};

struct CameraDetect {
    int level = 20;
    int mode = 0;      // 0 Intrusion, 1 Dynamic profile, 2 Static profile, 3 Time lapse
    int timeUnit = 1;  // 0 sec, 1 min, 2 hr
    int timeLimit = 5;
    int maskOn = 0;
    int testBeep = 0;

    // The time-lapse interval: TimeLimit in TimeUnit units.
    int TimeLapseSeconds() const;
};

struct CameraLookOut {
    int lookOutTime = 0;
    int reArmTime = 0;
    int doReArm = 1;
    int launchApp = 0;
    QString appName;
    int playWave = 0;
    QString waveName = QStringLiteral("bark.wav");
    int sendImage = 0;
    int saveFrame = 0;
    int saveFixedName = 1;
    int xmitAction = 2;  // 0 transmit video, 1 page, 2 nothing
    int minTopApp = 0;
};

struct CameraRecording {
    int sizeUnit = 1;  // 0 KBytes, 1 MBytes, 2 GBytes
    int sizeLimit = 10;
    int limitBuffer = 1;
    int doRecording = 1;
    int beep = 0;
    int writeDirect = 0;
    int midSave = 0;
    int saveHourly = 0;
    int saveHours = 1;
    int saveBySize = 0;
    int mbytesSave = 10;
    int recycleFiles = 0;
    int recycleNum = 50;
    int recycleCounter = 2;
    int saveGIF = 0;
    int gifFreq = 30;
    int saveNoMotion = 0;
    int minClipLength = 0;
    int holdTime = 10;

    // The size limit in kilobytes: SizeLimit in SizeUnit units.
    int64_t SizeLimitKb() const;
};

struct CameraDiskUsage {
    int usageWarning = 0;
    int firstPercent = 75;
    int increment = 3;
    QString pagerNumber;
    QString pageCode;
    int pagerWaitTime = 8;
    int pagerLineID = -1;
};

struct CameraSettings {
    // Application-wide values every camera reads ("Settings"); never written back.
    int blankScrnFreq = 10;
    int maxDelta = 16;

    CameraGeneral general;
    CameraVideo video;
    CameraDetect detect;
    CameraLookOut lookOut;
    CameraRecording recording;
    CameraDiskUsage diskUsage;
};

// What loading a camera's settings needs to know beyond the store.
struct CameraLoadContext {
    QString programDir;            // used for an empty or unusable WorkingDir and bare sound names
    bool deviceConnected = false;  // the window rectangle is read only with a device
    UserPrompt* prompt = nullptr;  // told when WorkingDir is no longer valid
};

// The name a camera's sections start with: "Cam%d:%s" with ExtendedName on, else the
// driver's name.
QString CameraName(int cameraNumber, const QString& driverName, bool extendedName);

// Reads every value of the camera's sections, each clamped to its valid range. An empty
// WorkingDir becomes the program directory; one that is no longer a usable directory does
// too, after a message; a sound name without a directory is taken from the program
// directory.
CameraSettings LoadCameraSettings(const SettingsStore& store, const QString& cameraName,
                                  const CameraLoadContext& context);

// Writes every value of the camera's sections. The window rectangle is written only with a
// device connected; "ValidBuffer" is written as 0 when the window is closing.
void SaveCameraSettings(SettingsStore& store, const QString& cameraName,
                        const CameraSettings& settings, bool deviceConnected, bool closing);

// "CamerasUsed" as start-up takes it: a text of more than 9 characters counts as empty.
QString CamerasUsedAtStart(const QString& stored);

// Takes the last camera number off the CamerasUsed text; characters that are not digits are
// skipped. 10 (no camera) when no digit is left.
int NextCameraNumber(QString& camerasUsed);

}  // namespace korvex
