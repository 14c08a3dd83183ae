#pragma once

#include "camera/CameraPorts.h"
#include "camera/DiskWarning.h"
#include "camera/FramePacing.h"
#include "camera/LookoutSequencer.h"
#include "camera/OperationModes.h"
#include "camera/PacingGroup.h"
#include "common/CameraSettings.h"
#include "common/Clock.h"
#include "common/UserPrompt.h"

#include <QObject>

#include <functional>

namespace korvex {

class MotionDetector;
class SettingsStore;
class Schedule;
class SoundOutput;

// The operation state machine of one camera, without its window: the commands Observe,
// Lookout, Append, Timer and Stop with their enabling rules, the fuse, the frame step in its
// fixed order (grab, detect, Lookout, record, health beeps, Timer sessions), the disk-usage
// warning and the pacing of the next step. The camera's window (or the headless program)
// calls FrameStep() whenever the delay it returned has passed.
class CameraOperation : public QObject {
    Q_OBJECT

public:
    struct Parts {
        FrameSource& source;
        MotionDetector& detector;
        BufferRecorder& recorder;
        LookoutSequencer& sequencer;
        Schedule& schedule;
        AlertSink& alerts;
        SoundOutput& sound;
        UserPrompt& prompt;
        const Clock& clock;
        PacingGroup& pacing;
        SettingsStore& store;
        // The program's alert sound, "korvex.wav" in the program directory.
        QString alertSound;
        // Disk space of a directory; empty when the platform can't tell.
        std::function<std::optional<DiskSpace>(const QString&)> diskSpace = QueryDiskSpace;
    };

    CameraOperation(Parts parts, CameraSettings& settings, int cameraNumber,
                    QObject* parent = nullptr);
    ~CameraOperation() override;

    // Commands. Each returns whether it started; a refused command changes nothing.
    bool StartObserve(bool hidden = false);
    bool StartLookout();
    bool Append();
    bool StartTimer(bool hidden = false);
    void Stop();

    // Enabling rules of the commands.
    bool CanObserve() const { return modes_ == 0; }
    bool CanLookout() const { return true; }
    bool CanTimer() const { return modes_ == 0; }
    bool CanAppend() const;

    // One frame step; returns the milliseconds until the next one.
    int FrameStep();

    OperationModes Modes() const { return modes_; }
    bool FuseBurning() const { return fuseBurning_; }
    bool ObserveArmed() const { return observeArmed_; }
    bool LookoutArmed() const { return lookoutArmed_; }
    bool TimerActive() const { return timerActive_; }
    bool BufferValid() const { return bufferValid_; }
    void SetBufferValid(bool valid) { bufferValid_ = valid; }
    bool Motion() const { return motion_; }
    int CaptionIndex() const { return captionIndex_; }
    int DiskWarnThreshold() const { return diskWarn_.threshold(); }
    int CameraNumber() const { return cameraNumber_; }

signals:
    // The operation bits or the armed state changed: the status line is due.
    void StatusChanged();
    // The buffer's validity changed; the program stores it as "ValidBuffer".
    void BufferValidityChanged(bool valid);
    // An event text for the message board and the event log.
    void Event(const QString& text);

private:
    bool FormatUsableOrSay();
    bool PrepareRecording(bool hidden, bool stopOnFailedOpen);
    void BurnFuse();
    void FuseBurntOut();
    void LookoutStep();
    void ObserveStep();
    void HealthBeeps(int64_t stepStartMs);
    void TimerStep();

    Parts parts_;
    CameraSettings& settings_;
    int cameraNumber_;

    OperationModes modes_ = kOperationIdle;
    bool fuseBurning_ = false;
    int64_t fuseDeadlineMs_ = 0;
    bool observeArmed_ = false;
    bool lookoutArmed_ = false;
    bool timerActive_ = false;
    bool bufferValid_ = false;
    bool motion_ = false;
    bool frameAvailable_ = false;
    bool blankPending_ = false;
    int captionIndex_ = 0;
    DiskWarning diskWarn_;
    FramePacing pacing_;
};

}  // namespace korvex
