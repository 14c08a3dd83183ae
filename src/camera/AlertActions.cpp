#include "camera/AlertActions.h"

#include "camera/ProgramLauncher.h"
#include "camera/SoundOutput.h"
#include "common/Clock.h"
#include "common/Paths.h"
#include "common/SettingsStore.h"
#include "common/StringTable.h"
#include "common/TimeName.h"
#include "common/UserPrompt.h"
#include "common/strings/BufferStrings.h"
#include "common/strings/CameraStrings.h"
#include "video/FileCopy.h"
#include "video/StampedBitmap.h"

#include <QFile>
#include <QFileInfo>

namespace korvex {

namespace {
constexpr int kLaunchFlag = 0x1;

// A name that is not taken yet: the name itself, else with "_1", "_2", ... before the
// extension.
QString FreeName(const QString& directory, const QString& name) {
    QString candidate = JoinPath(directory, name);
    const QFileInfo info(name);
    for (int n = 1; QFileInfo::exists(candidate); ++n) {
        candidate = JoinPath(
            directory,
            QStringLiteral("%1_%2.%3").arg(info.completeBaseName()).arg(n).arg(info.suffix()));
    }
    return candidate;
}
}  // namespace

AlertActions::AlertActions(SettingsStore& store, UserPrompt& prompt, SoundOutput& sound,
                           const Clock& clock, QString programDir)
    : store_(store),
      prompt_(prompt),
      sound_(sound),
      clock_(clock),
      programDir_(std::move(programDir)),
      stills_(prompt) {}

QString AlertActions::UploaderPath() const {
    return JoinPath(programDir_, QStringLiteral("postrix"));
}

void AlertActions::ReportLaunchFailure(const QString& reason) {
    prompt_.Message(Str(IDS_LAUNCH_FAILED), PromptIcon::Error);
    prompt_.Message(QStringLiteral("%1 : %2").arg(Str(IDS_SYSTEM_MESSAGE), reason),
                    PromptIcon::Error);
}

void AlertActions::FireAlertActions() {
    if (!settings_) {
        return;
    }
    const CameraLookOut& lookOut = settings_->lookOut;
    if (lookOut.launchApp && !lookOut.appName.isEmpty()) {
        LaunchProgram();
    }
    if (lookOut.sendImage) {
        StartUploader();
    }
    if (lookOut.playWave) {
        sound_.PlayFile(lookOut.waveName);
    }
    if (lookOut.minTopApp && minimiseForeground_) {
        minimiseForeground_();
    }
}

void AlertActions::LaunchProgram() {
    const QString& program = settings_->lookOut.appName;
    QStringList arguments;
    if (CapabilityFlags(store_, program) & kLaunchFlag) {
        arguments << QStringLiteral("-launch");
    }
    QString reason;
    if (!StartProgram(program, arguments, &reason)) {
        ReportLaunchFailure(reason);
    }
}

void AlertActions::StartUploader() {
    store_.Sync();  // the uploader writes the flag when it ends
    if (store_.Read(settings::kPostrixLaunched) != 0) {
        return;
    }
    QString reason;
    const bool started = StartProgram(UploaderPath(), {QStringLiteral("-launch")}, &reason);
    store_.Write(settings::kPostrixLaunched, started ? 1 : 0);
    store_.Sync();
    if (!started) {
        ReportLaunchFailure(reason);
    }
}

QString AlertActions::SaveImagesIn(const QString& directory, const DibFormat& format,
                                   std::span<const uint8_t> bits, std::time_t now) {
    const CameraLookOut& lookOut = settings_->lookOut;
    const QString bitmap = JoinPath(directory, QStringLiteral("temp.bmp"));
    QString stamped;
    if (lookOut.saveFrame && WriteStampedBitmap(bitmap, format, bits, now, prompt_)) {
        const QString target =
            FreeName(directory, MakeTimeName(now, TimeNameForm::DateSecond, QStringLiteral("jpg")));
        if (stills_.ConvertBitmapToJpegInPlace(target, bitmap)) {
            stamped = target;
        }
    }
    if (lookOut.saveFixedName) {
        const QString fixed = JoinPath(directory, QStringLiteral("lookout.jpg"));
        // The uploader reads "lookout.jpg" whenever it changes: it only ever sees it whole.
        if (!stamped.isEmpty()) {
            const QString part = PartPath(fixed);
            if (CopyFileBytes(stamped, part, prompt_).ok) {
                MoveIntoPlace(part, fixed);
            }
        } else if (WriteStampedBitmap(bitmap, format, bits, now, prompt_)) {
            stills_.ConvertBitmapToJpegInPlace(fixed, bitmap);
        }
    }
    return stamped;
}

void AlertActions::SaveAlertImages(const DibFormat& format, std::span<const uint8_t> bits) {
    if (!settings_ || (!settings_->lookOut.saveFrame && !settings_->lookOut.saveFixedName)) {
        return;
    }
    const std::time_t now = clock_.WallSeconds();
    const CameraGeneral& general = settings_->general;
    const QString stamped = SaveImagesIn(general.workingDir, format, bits, now);
    if (!stamped.isEmpty()) {
        store_.Write(settings::kLastSavedFile, stamped);
        store_.Sync();
    }
    if (general.enableSecondDir && !general.secondaryWorkingDir.isEmpty()) {
        SaveImagesIn(general.secondaryWorkingDir, format, bits, now);
    }
}

// Pages and calls need the modem session, which this program does not have yet: with no
// line to use, no page or call is placed, as when the line is busy.
void AlertActions::ModemAction(int, bool) {}

bool AlertActions::DiskUsagePage() {
    return false;
}

}  // namespace korvex
