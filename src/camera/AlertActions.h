#pragma once

#include "camera/CameraPorts.h"
#include "camera/LookoutActions.h"
#include "common/CameraSettings.h"
#include "video/JpegStillConverter.h"

#include <QString>

#include <functional>

namespace korvex {

class Clock;
class SettingsStore;
class SoundOutput;
class UserPrompt;

// What a camera does when its Lookout fires: launch the chosen program, start the uploader,
// play the wave, minimise the foreground window, then write the alert stills ("temp.bmp",
// a time-stamped JPEG, "lookout.jpg") in the working directory and the secondary one.
class AlertActions : public LookoutActions, public AlertSink {
public:
    AlertActions(SettingsStore& store, UserPrompt& prompt, SoundOutput& sound, const Clock& clock,
                 QString programDir);

    // The camera's current settings; kept by reference, so later changes apply at once.
    void SetSettings(const CameraSettings* settings) { settings_ = settings; }
    // Minimises the foreground window; the windowed program sets it.
    void SetMinimiseForeground(std::function<void()> minimise) {
        minimiseForeground_ = std::move(minimise);
    }

    void FireAlertActions() override;
    void SaveAlertImages(const DibFormat& format, std::span<const uint8_t> bits) override;
    void ModemAction(int xmitAction, bool observeArmed) override;
    bool DiskUsagePage() override;

    // The uploader beside the camera program.
    QString UploaderPath() const;

private:
    void LaunchProgram();
    void StartUploader();
    void ReportLaunchFailure(const QString& reason);
    // Writes the stills of one directory; returns the time-stamped JPEG's path when one was
    // written.
    QString SaveImagesIn(const QString& directory, const DibFormat& format,
                         std::span<const uint8_t> bits, std::time_t now);

    SettingsStore& store_;
    UserPrompt& prompt_;
    SoundOutput& sound_;
    const Clock& clock_;
    QString programDir_;
    const CameraSettings* settings_ = nullptr;
    std::function<void()> minimiseForeground_;
    JpegStillConverter stills_;
};

}  // namespace korvex
