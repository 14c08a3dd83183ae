#include "common/CameraSettings.h"

#include "common/Paths.h"
#include "common/SettingsStore.h"
#include "common/StringTable.h"
#include "common/UserPrompt.h"
#include "common/strings/CameraStrings.h"

#include <QFileInfo>

#include <algorithm>
#include <array>
#include <span>

namespace korvex {

namespace {

// One integer value of a section: its name, where it lives in the struct, its default and
// valid range.
template <class Section>
struct IntField {
    const char* name;
    int Section::*field;
    int defaultValue;
    int minValue;
    int maxValue;
};

template <class Section>
struct StringField {
    const char* name;
    QString Section::*field;
};

constexpr int kMaxSeconds = 32000;

const IntField<CameraGeneral> kGeneralInts[] = {
    {"FuseTime", &CameraGeneral::fuseTime, 2, 0, kMaxSeconds},
    {"ScreenSaver", &CameraGeneral::screenSaver, 0, 0, 1},
    {"Minimize", &CameraGeneral::minimize, 0, 0, 1},
    {"LookOut", &CameraGeneral::lookOut, 0, 0, 1},
    {"AutoAdjust", &CameraGeneral::autoAdjust, 1, 0, 1},
    {"ObserveAtLaunch", &CameraGeneral::observeAtLaunch, 0, 0, 1},
    {"LookOutAtLaunch", &CameraGeneral::lookOutAtLaunch, 0, 0, 1},
    {"TimerAtLaunch", &CameraGeneral::timerAtLaunch, 0, 0, 1},
    {"ListenAtLaunch", &CameraGeneral::listenAtLaunch, 0, 0, 1},
    {"LiveWithPlayback", &CameraGeneral::liveWithPlayback, 0, 0, 1},
    {"BlankTest", &CameraGeneral::blankTest, 0, 0, 1},
    {"Zoom", &CameraGeneral::zoom, 4, 4, 32},
    {"EnableSecondDir", &CameraGeneral::enableSecondDir, 0, 0, 1},
    {"VideoOff", &CameraGeneral::videoOff, 0, 0, 1},
    {"VideoOffOri", &CameraGeneral::videoOffOri, 0, 0, 1},
};
const IntField<CameraGeneral> kWindowInts[] = {
    {"Left", &CameraGeneral::left, 0, -32000, 32000},
    {"Top", &CameraGeneral::top, 0, -32000, 32000},
    {"Width", &CameraGeneral::width, 10, 10, 32000},
    {"Height", &CameraGeneral::height, 10, 10, 32000},
};
const StringField<CameraGeneral> kGeneralStrings[] = {
    {"WorkingDir", &CameraGeneral::workingDir},
    {"SecondaryWorkingDir", &CameraGeneral::secondaryWorkingDir},
};
const IntField<CameraGeneral> kValidBuffer{"ValidBuffer", &CameraGeneral::validBuffer, 0, 0, 1};

const IntField<CameraVideo> kVideoInts[] = {
    {"FramePerSec", &CameraVideo::framePerSec, 5, 1, 30},
    {"CompQuality", &CameraVideo::compQuality, 90, 0, 100},
};

const IntField<CameraDetect> kDetectInts[] = {
    {"Level", &CameraDetect::level, 20, 0, 200},
    {"Mode", &CameraDetect::mode, 0, 0, 3},
    {"TimeUnit", &CameraDetect::timeUnit, 1, 0, 2},
    {"TimeLimit", &CameraDetect::timeLimit, 5, 1, 4000},
    {"MaskOn", &CameraDetect::maskOn, 0, 0, 1},
    {"TestBeep", &CameraDetect::testBeep, 0, 0, 1},
};

const IntField<CameraLookOut> kLookOutInts[] = {
    {"LookOutTime", &CameraLookOut::lookOutTime, 0, 0, kMaxSeconds},
    {"ReArmTime", &CameraLookOut::reArmTime, 0, 0, kMaxSeconds},
    {"DoReArm", &CameraLookOut::doReArm, 1, 0, 1},
    {"LaunchApp", &CameraLookOut::launchApp, 0, 0, 1},
    {"PlayWave", &CameraLookOut::playWave, 0, 0, 1},
    {"SendImage", &CameraLookOut::sendImage, 0, 0, 1},
    {"SaveFrame", &CameraLookOut::saveFrame, 0, 0, 1},
    {"SaveFixedName", &CameraLookOut::saveFixedName, 1, 0, 1},
    {"XmitAction", &CameraLookOut::xmitAction, 2, 0, 2},
    {"MinTopApp", &CameraLookOut::minTopApp, 0, 0, 1},
};
const StringField<CameraLookOut> kLookOutStrings[] = {
    {"AppName", &CameraLookOut::appName},
    {"WaveName", &CameraLookOut::waveName},
};

const IntField<CameraRecording> kRecordingInts[] = {
    {"SizeUnit", &CameraRecording::sizeUnit, 1, 0, 2},
    {"SizeLimit", &CameraRecording::sizeLimit, 10, 1, 2000},
    {"LimitBuffer", &CameraRecording::limitBuffer, 1, 0, 1},
    {"DoRecording", &CameraRecording::doRecording, 1, 0, 1},
    {"Beep", &CameraRecording::beep, 0, 0, 1},
    {"WriteDirect", &CameraRecording::writeDirect, 0, 0, 1},
    {"MidSave", &CameraRecording::midSave, 0, 0, 1},
    {"SaveHourly", &CameraRecording::saveHourly, 0, 0, 1},
    {"SaveHours", &CameraRecording::saveHours, 1, 1, kMaxSeconds},
    {"SaveBySize", &CameraRecording::saveBySize, 0, 0, 1},
    {"MbytesSave", &CameraRecording::mbytesSave, 10, 1, 1024},
    {"RecycleFiles", &CameraRecording::recycleFiles, 0, 0, 1},
    {"RecycleNum", &CameraRecording::recycleNum, 50, 2, 9999},
    {"RecycleCounter", &CameraRecording::recycleCounter, 2, 0, 9999},
    {"SaveGIF", &CameraRecording::saveGIF, 0, 0, 1},
    {"GIFFreq", &CameraRecording::gifFreq, 30, 1, kMaxSeconds},
    {"SaveNoMotion", &CameraRecording::saveNoMotion, 0, 0, 1},
    {"MinClipLength", &CameraRecording::minClipLength, 0, 0, kMaxSeconds},
    {"HoldTime", &CameraRecording::holdTime, 10, 0, kMaxSeconds},
};

const IntField<CameraDiskUsage> kDiskUsageInts[] = {
    {"UsageWarning", &CameraDiskUsage::usageWarning, 0, 0, 1},
    {"FirstPercent", &CameraDiskUsage::firstPercent, 75, 0, 100},
    {"Increment", &CameraDiskUsage::increment, 3, 1, 100},
    {"PagerWaitTime", &CameraDiskUsage::pagerWaitTime, 8, 0, 3600},
    {"PagerLineID", &CameraDiskUsage::pagerLineID, -1, -1, 255},
};
const StringField<CameraDiskUsage> kDiskUsageStrings[] = {
    {"PagerNumber", &CameraDiskUsage::pagerNumber},
    {"PageCode", &CameraDiskUsage::pageCode},
};

QString Section(const QString& cameraName, const char* suffix) {
    return cameraName + u'/' + QLatin1String(suffix);
}

template <class S>
void ReadInts(const SettingsStore& store, const QString& section,
              std::span<const IntField<S>> fields, S& values) {
    for (const auto& f : fields) {
        values.*f.field =
            store.ReadInt(section, QLatin1String(f.name), f.defaultValue, f.minValue, f.maxValue);
    }
}

template <class S>
void ReadStrings(const SettingsStore& store, const QString& section,
                 std::span<const StringField<S>> fields, S& values) {
    for (const auto& f : fields) {
        values.*f.field = store.ReadString(section, QLatin1String(f.name), values.*f.field);
    }
}

template <class S>
void WriteInts(SettingsStore& store, const QString& section, std::span<const IntField<S>> fields,
               const S& values) {
    for (const auto& f : fields) {
        store.WriteInt(section, QLatin1String(f.name), values.*f.field);
    }
}

template <class S>
void WriteStrings(SettingsStore& store, const QString& section,
                  std::span<const StringField<S>> fields, const S& values) {
    for (const auto& f : fields) {
        store.WriteString(section, QLatin1String(f.name), values.*f.field);
    }
}

bool IsUsableDirectory(const QString& path) {
    const QFileInfo info(path);
    return info.isDir() && info.isExecutable();
}

}  // namespace

int CameraDetect::TimeLapseSeconds() const {
    static constexpr std::array<int, 3> kMultiplier = {1, 60, 3600};
    return timeLimit * kMultiplier[std::clamp(timeUnit, 0, 2)];
}

int64_t CameraRecording::SizeLimitKb() const {
    static constexpr std::array<int64_t, 3> kMultiplier = {1, 1024, 1048576};
    return sizeLimit * kMultiplier[std::clamp(sizeUnit, 0, 2)];
}

QString CameraName(int cameraNumber, const QString& driverName, bool extendedName) {
    if (extendedName) {
        return QStringLiteral("Cam%1:%2").arg(cameraNumber).arg(driverName);
    }
    return driverName;
}

CameraSettings LoadCameraSettings(const SettingsStore& store, const QString& cameraName,
                                  const CameraLoadContext& context) {
    CameraSettings s;
    s.blankScrnFreq = store.Read(settings::kBlankScrnFreq);
    s.maxDelta = store.Read(settings::kMaxDelta);

    const QString general = Section(cameraName, "General");
    ReadInts<CameraGeneral>(store, general, kGeneralInts, s.general);
    if (context.deviceConnected) {
        ReadInts<CameraGeneral>(store, general, kWindowInts, s.general);
    }
    ReadStrings<CameraGeneral>(store, general, kGeneralStrings, s.general);
    if (s.general.workingDir.isEmpty()) {
        s.general.workingDir = context.programDir;
    } else if (!IsUsableDirectory(s.general.workingDir)) {
        if (context.prompt) {
            context.prompt->Message(
                Str(IDS_WORKDIR_INVALID_1) + s.general.workingDir + Str(IDS_WORKDIR_INVALID_2),
                PromptIcon::Warning);
        }
        s.general.workingDir = context.programDir;
    }

    const QString video = Section(cameraName, "Video");
    ReadInts<CameraVideo>(store, video, kVideoInts, s.video);
    const int high = store.ReadInt(video, QStringLiteral("CompressorH"), FourCCHigh(kFourCCMjpg));
    const int low = store.ReadInt(video, QStringLiteral("CompressorL"), FourCCLow(kFourCCMjpg));
    s.video.compressor = FourCCFromHalves(high, low);

    ReadInts<CameraDetect>(store, Section(cameraName, "Detect"), kDetectInts, s.detect);

    const QString lookOut = Section(cameraName, "LookOut");
    ReadInts<CameraLookOut>(store, lookOut, kLookOutInts, s.lookOut);
    ReadStrings<CameraLookOut>(store, lookOut, kLookOutStrings, s.lookOut);
    if (!s.lookOut.waveName.isEmpty() && !s.lookOut.waveName.contains(u'/')) {
        s.lookOut.waveName = JoinPath(context.programDir, s.lookOut.waveName);
    }

    ReadInts<CameraRecording>(store, Section(cameraName, "Recording"), kRecordingInts, s.recording);

    const QString diskUsage = Section(cameraName, "DiskUsage");
    ReadInts<CameraDiskUsage>(store, diskUsage, kDiskUsageInts, s.diskUsage);
    ReadStrings<CameraDiskUsage>(store, diskUsage, kDiskUsageStrings, s.diskUsage);

    s.general.validBuffer = store.ReadInt(general, QLatin1String(kValidBuffer.name), 0, 0, 1);
    return s;
}

void SaveCameraSettings(SettingsStore& store, const QString& cameraName, const CameraSettings& s,
                        bool deviceConnected, bool closing) {
    const QString general = Section(cameraName, "General");
    WriteInts<CameraGeneral>(store, general, kGeneralInts, s.general);
    if (deviceConnected) {
        WriteInts<CameraGeneral>(store, general, kWindowInts, s.general);
    }
    WriteStrings<CameraGeneral>(store, general, kGeneralStrings, s.general);
    store.WriteInt(general, QLatin1String(kValidBuffer.name), closing ? 0 : s.general.validBuffer);

    const QString video = Section(cameraName, "Video");
    WriteInts<CameraVideo>(store, video, kVideoInts, s.video);
    store.WriteInt(video, QStringLiteral("CompressorH"), FourCCHigh(s.video.compressor));
    store.WriteInt(video, QStringLiteral("CompressorL"), FourCCLow(s.video.compressor));

    WriteInts<CameraDetect>(store, Section(cameraName, "Detect"), kDetectInts, s.detect);

    const QString lookOut = Section(cameraName, "LookOut");
    WriteInts<CameraLookOut>(store, lookOut, kLookOutInts, s.lookOut);
    WriteStrings<CameraLookOut>(store, lookOut, kLookOutStrings, s.lookOut);

    WriteInts<CameraRecording>(store, Section(cameraName, "Recording"), kRecordingInts,
                               s.recording);

    const QString diskUsage = Section(cameraName, "DiskUsage");
    WriteInts<CameraDiskUsage>(store, diskUsage, kDiskUsageInts, s.diskUsage);
    WriteStrings<CameraDiskUsage>(store, diskUsage, kDiskUsageStrings, s.diskUsage);
    store.Sync();
}

QString CamerasUsedAtStart(const QString& stored) {
    return stored.size() > 9 ? QString() : stored;
}

int NextCameraNumber(QString& camerasUsed) {
    while (!camerasUsed.isEmpty()) {
        const QChar last = camerasUsed.back();
        camerasUsed.chop(1);
        if (last >= u'0' && last <= u'9') {
            return last.digitValue();
        }
    }
    return 10;
}

}  // namespace korvex
