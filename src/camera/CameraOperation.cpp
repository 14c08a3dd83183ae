#include "camera/CameraOperation.h"

#include "camera/SoundOutput.h"
#include "camera/StatusCaptions.h"
#include "common/SettingsStore.h"
#include "common/StringTable.h"
#include "common/strings/CameraStrings.h"
#include "schedule/Schedule.h"
#include "video/detector/MotionDetector.h"

namespace korvex {

namespace {
constexpr int kBeepHz = 600;
constexpr int kBeepMs = 80;
constexpr int kFrozenStillCount = 5;
}  // namespace

CameraOperation::CameraOperation(Parts parts, CameraSettings& settings, int cameraNumber,
                                 QObject* parent)
    : QObject(parent),
      parts_(std::move(parts)),
      settings_(settings),
      cameraNumber_(cameraNumber),
      diskWarn_(settings.diskUsage.firstPercent, settings.diskUsage.increment) {
    parts_.pacing.Add(&pacing_);
}

CameraOperation::~CameraOperation() {
    parts_.pacing.Remove(&pacing_);
}

bool CameraOperation::CanAppend() const {
    return bufferValid_ && modes_ == 0 && parts_.recorder.FormatMatches();
}

bool CameraOperation::FormatUsableOrSay() {
    if (parts_.source.FormatUsable()) {
        return true;
    }
    parts_.prompt.Message(Str(IDS_UNSUPPORTED_FORMAT), PromptIcon::Warning);
    return false;
}

// Steps 1 to 5 of starting a recording: directories, the old buffer, the format, the buffer
// files, the frame counters and the hour mark.
bool CameraOperation::PrepareRecording(bool hidden, bool stopOnFailedOpen) {
    const CameraGeneral& general = settings_.general;
    parts_.recorder.SetDirectories(
        general.workingDir, general.enableSecondDir ? general.secondaryWorkingDir : QString());
    if (!parts_.recorder.SaveOldBuffer(hidden)) {
        return false;
    }
    if (!FormatUsableOrSay()) {
        return false;
    }
    const bool continuous = settings_.detect.mode != static_cast<int>(DetectionMode::Intrusion);
    if (!parts_.recorder.CreateBuffers(cameraNumber_, continuous) && stopOnFailedOpen) {
        return false;
    }
    if (settings_.recording.saveHourly) {
        parts_.recorder.ResetHourMark(parts_.clock.WallSeconds());
    }
    return true;
}

void CameraOperation::BurnFuse() {
    fuseBurning_ = true;
    fuseDeadlineMs_ = parts_.clock.NowMs() + int64_t{settings_.general.fuseTime} * 1000;
}

bool CameraOperation::StartObserve(bool hidden) {
    if (!CanObserve() || !PrepareRecording(hidden, true)) {
        return false;
    }
    BurnFuse();
    modes_ |= kOperationObserve;
    if (settings_.general.lookOut) {
        parts_.sequencer.Reset();
        modes_ |= kOperationLookout;
    }
    diskWarn_ = DiskWarning(settings_.diskUsage.firstPercent, settings_.diskUsage.increment);
    emit StatusChanged();
    return true;
}

bool CameraOperation::Append() {
    if (!CanAppend() || !FormatUsableOrSay()) {
        return false;
    }
    const bool continuous = settings_.detect.mode != static_cast<int>(DetectionMode::Intrusion);
    if (!parts_.recorder.ContinueBuffers(continuous)) {
        return false;
    }
    if (settings_.recording.saveHourly) {
        parts_.recorder.ResetHourMark(parts_.clock.WallSeconds());
    }
    BurnFuse();
    modes_ |= kOperationObserve;
    if (settings_.general.lookOut) {
        // Lookout works during the fuse after Append.
        parts_.sequencer.Reset();
        modes_ |= kOperationLookout;
        lookoutArmed_ = true;
    }
    emit StatusChanged();
    return true;
}

bool CameraOperation::StartLookout() {
    if (!CanLookout() || !FormatUsableOrSay()) {
        return false;
    }
    parts_.sequencer.Reset();
    BurnFuse();
    modes_ |= kOperationLookout;
    emit StatusChanged();
    return true;
}

bool CameraOperation::StartTimer(bool hidden) {
    if (!CanTimer() || !PrepareRecording(hidden, false)) {
        return false;
    }
    timerActive_ = true;
    parts_.schedule.Activate(parts_.clock.WallSeconds());
    modes_ |= kOperationTimer;
    diskWarn_ = DiskWarning(settings_.diskUsage.firstPercent, settings_.diskUsage.increment);
    emit StatusChanged();
    return true;
}

void CameraOperation::Stop() {
    fuseBurning_ = false;
    timerActive_ = false;
    observeArmed_ = false;
    lookoutArmed_ = false;
    modes_ = kOperationIdle;
    // The next alert may start the uploader again.
    parts_.store.Write(settings::kPostrixLaunched, 0);
    parts_.store.Sync();
    emit StatusChanged();
}

void CameraOperation::FuseBurntOut() {
    fuseBurning_ = false;
    if (modes_ & kOperationObserve) {
        parts_.detector.ResetTimeLapse();
        observeArmed_ = true;
    }
    if (modes_ & kOperationLookout) {
        lookoutArmed_ = true;
    }
    emit StatusChanged();
}

int CameraOperation::FrameStep() {
    const int64_t t0 = parts_.clock.NowMs();
    if (fuseBurning_ && t0 >= fuseDeadlineMs_) {
        FuseBurntOut();
    }
    const bool watching = (modes_ & ~kOperationTimer) != 0;

    // 1. Grab.
    if (watching || !settings_.general.videoOff) {
        frameAvailable_ = parts_.source.Grab();
    }

    // 2. Motion.
    if (watching && frameAvailable_ && parts_.source.FormatUsable()) {
        parts_.detector.Compare(parts_.source.Bits());
        motion_ = parts_.detector.Motion();
    } else {
        motion_ = false;
        parts_.detector.SetMotion(false);
        parts_.detector.SetTakeReference(true);
    }

    // 3. Caption without Test.
    captionIndex_ = fuseBurning_ ? kStatusFuseBurning : kStatusIdle;

    // 4. Lookout.
    if (lookoutArmed_) {
        LookoutStep();
    }

    // 5. Observe.
    if (observeArmed_) {
        if (settings_.general.lookOut && lookoutArmed_) {
            LookoutStep();
        }
        ObserveStep();
        if (settings_.general.blankTest && frameAvailable_) {
            HealthBeeps(t0);
        }
    }

    // 6. Timer sessions.
    if (timerActive_) {
        TimerStep();
    }

    // 8. Pacing: the next step after the larger of what the frame rate leaves of the period
    // and what all cameras' average costs add up to.
    const int64_t cost = pacing_.RecordStepCost(parts_.clock.NowMs() - t0);
    return static_cast<int>(FramePacing::NextStepDelayMs(cost, parts_.pacing.SumOfAveragesMs(),
                                                         settings_.video.framePerSec));
}

void CameraOperation::LookoutStep() {
    const auto result = parts_.sequencer.Step(motion_, parts_.clock.WallSeconds());
    captionIndex_ = parts_.sequencer.statusIndex();
    if (result == LookoutSequencer::Result::Fired) {
        if (frameAvailable_) {
            parts_.alerts.SaveAlertImages(parts_.source.Format(), parts_.source.Bits());
        }
        parts_.alerts.ModemAction(settings_.lookOut.xmitAction, observeArmed_);
    } else if (result == LookoutSequencer::Result::Finished) {
        lookoutArmed_ = false;
        parts_.sequencer.Reset();
        modes_ &= ~kOperationLookout;
        emit StatusChanged();
    }
}

void CameraOperation::ObserveStep() {
    if (motion_ && settings_.diskUsage.usageWarning) {
        if (const auto space = parts_.diskSpace(settings_.general.workingDir)) {
            if (diskWarn_.Check(space->availableBytes, space->totalBytes)) {
                parts_.alerts.DiskUsagePage();
            }
        }
    }

    if (!parts_.recorder.TakesFrames()) {
        modes_ &= ~kOperationObserve;
        observeArmed_ = false;
        emit StatusChanged();
    } else {
        // A step without a new frame (a camera that stopped delivering) records nothing and
        // keeps Observe running, so recording resumes when the frames come back.
        if (frameAvailable_ && !parts_.recorder.RecordFrame(motion_, parts_.source.Bits())) {
            modes_ &= ~kOperationObserve;
            observeArmed_ = false;
            emit StatusChanged();
        }
        if (motion_ && settings_.recording.beep) {
            parts_.sound.PlayFile(parts_.alertSound);
        }
    }
    captionIndex_ = parts_.recorder.Status();

    const bool valid = parts_.recorder.HasData();
    if (valid != bufferValid_) {
        bufferValid_ = valid;
        emit BufferValidityChanged(valid);
    }
}

void CameraOperation::HealthBeeps(int64_t stepStartMs) {
    const int64_t seconds = stepStartMs / 1000;
    if (blankPending_ || seconds % settings_.blankScrnFreq == 0) {
        blankPending_ = parts_.detector.IsBlank();
        if (blankPending_) {
            parts_.sound.Beep(kBeepHz, kBeepMs);
        }
    }
    if (parts_.detector.StillCount() > kFrozenStillCount) {
        parts_.sound.Beep(kBeepHz, kBeepMs);
    }
}

void CameraOperation::TimerStep() {
    const bool inside = parts_.schedule.IsActive(parts_.clock.WallSeconds());
    if (inside && !observeArmed_) {
        if (settings_.general.lookOut) {
            parts_.sequencer.Reset();
            modes_ |= kOperationLookout;
            lookoutArmed_ = true;
        }
        modes_ |= kOperationObserve;
        observeArmed_ = true;
        parts_.detector.ResetTimeLapse();
        emit StatusChanged();
    } else if (!inside && observeArmed_) {
        parts_.recorder.ArchiveBuffers();
        modes_ &= ~(kOperationObserve | kOperationLookout);
        observeArmed_ = false;
        lookoutArmed_ = false;
        emit StatusChanged();
    }
}

}  // namespace korvex
