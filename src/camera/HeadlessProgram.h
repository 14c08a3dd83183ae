#pragma once

#include "camera/AlsaSoundOutput.h"
#include "camera/CameraUnit.h"
#include "camera/EventLog.h"
#include "camera/PacingGroup.h"
#include "common/SettingsStore.h"
#include "common/UserPrompt.h"
#include "video/CaptureDriverList.h"

#include <QObject>

#include <memory>
#include <optional>
#include <vector>

namespace korvex {

// What the command line asks of the headless program.
struct HeadlessOptions {
    std::vector<int> cameras;  // empty: the cameras of "CamerasUsed"
    LaunchOperation launch = LaunchOperation::FromSettings;
    std::optional<int> durationSeconds;
};

// The surveillance program without windows, for servers and tests: it opens the cameras,
// runs their frame steps, writes every message to stderr and "korvexlog.txt", answers every
// question with its default, and on SIGINT, SIGTERM or the end of its duration closes the
// cameras as closing their windows does.
class HeadlessProgram : public QObject {
    Q_OBJECT

public:
    HeadlessProgram();
    ~HeadlessProgram() override;

    // Opens the cameras; false when none could be opened.
    bool Start(const HeadlessOptions& options);
    // Closes every camera and writes the application values.
    void Shutdown();

    const CaptureDriverList& Drivers() const { return drivers_; }

private:
    std::vector<int> CamerasToOpen(const HeadlessOptions& options) const;

    SettingsStore store_;
    EventLog log_;
    HeadlessPrompt prompt_;
    AlsaSoundOutput sound_;
    CaptureDriverList drivers_;
    PacingGroup pacing_;
    CameraContext context_;
    std::vector<std::unique_ptr<CameraUnit>> cameras_;
};

// Prints one line "Cam%d : %s" per capture driver.
void ListCameras(const CaptureDriverList& drivers);

}  // namespace korvex
