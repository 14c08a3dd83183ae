#pragma once

#include "buffer/BufferCommands.h"
#include "camera/AlertActions.h"
#include "camera/CameraOperation.h"
#include "camera/CameraPorts.h"
#include "camera/LookoutSequencer.h"
#include "common/CameraSettings.h"
#include "schedule/Schedule.h"
#include "video/CaptureSource.h"
#include "video/FrameCompressor.h"
#include "video/detector/MaskFile.h"
#include "video/detector/MotionDetector.h"

#include <QObject>
#include <QTimer>

#include <memory>

namespace korvex {

class CaptureDriverList;
class EventLog;
class PacingGroup;
class SettingsStore;
class SoundOutput;

// What every camera of a program shares.
struct CameraContext {
    SettingsStore& store;
    UserPrompt& prompt;
    SoundOutput& sound;
    const Clock& clock;
    CaptureDriverList& drivers;
    PacingGroup& pacing;
    const EventLog& log;
    QString programDir;   // logs, sounds, the uploader's place
    bool hidden = false;  // no window is shown: old buffers are archived without asking
};

// The operation a camera starts with.
enum class LaunchOperation { FromSettings, None, Observe, Lookout, Timer };

// One camera with all its parts, without a window: the capture source, detector and mask,
// compressor, video buffers, schedule, Lookout sequencer, alert actions and the operation
// state machine, paced by a one-shot timer. The windowed program shows it; the headless
// program runs it as it is.
class CameraUnit : public QObject {
    Q_OBJECT

public:
    CameraUnit(CameraContext& context, QObject* parent = nullptr);
    ~CameraUnit() override;

    // Connects to camera `number` (or, when it can't be had, the first free camera), loads
    // the camera's settings, mask and schedule, settles a buffer an interrupted run left
    // behind, and starts the launch-time operation and the frame steps. False when no
    // camera could be connected.
    bool Open(int number, LaunchOperation launch = LaunchOperation::FromSettings);
    // Stops, then saves the schedule, mask and settings as closing a window does.
    void Close();

    int Number() const { return number_; }
    const QString& Name() const { return name_; }
    CameraOperation& Operation() { return *operation_; }
    const CameraSettings& Settings() const { return settings_; }
    BufferCommands& Buffers() { return *buffers_; }

signals:
    void Event(const QString& text);

private:
    class Frames;
    class Recorders;

    void SetUpForFormat();
    void ApplySettings();
    void SettleLeftBehindBuffer(LaunchOperation launch);
    void StartLaunchOperation(LaunchOperation launch);
    void Tick();
    void Report(const QString& text);

    CameraContext& context_;
    CaptureSource source_;
    MotionDetector detector_;
    MaskFile mask_;
    FrameCompressor compressor_;
    std::unique_ptr<BufferCommands> buffers_;
    Schedule schedule_;
    AlertActions alerts_;
    LookoutSequencer sequencer_;
    CameraSettings settings_;
    std::unique_ptr<Frames> frames_;
    std::unique_ptr<Recorders> recorders_;
    std::unique_ptr<CameraOperation> operation_;
    QTimer frameTick_;
    int number_ = -1;
    QString name_;
};

}  // namespace korvex
