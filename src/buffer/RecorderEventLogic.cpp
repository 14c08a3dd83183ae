#include "buffer/RecorderEventLogic.h"

#include "common/CameraSettings.h"

namespace korvex {

void RecorderEventLogic::Configure(const CameraRecording& settings) {
    doRecording_ = settings.doRecording != 0;
    stills_ = settings.saveGIF != 0;
    stillsWithoutMotion_ = settings.saveNoMotion != 0;
    stillSeconds_ = settings.gifFreq;
    minClipSeconds_ = settings.minClipLength;
    holdSeconds_ = settings.holdTime;
}

void RecorderEventLogic::OnNewFile() {
    state_ = RecorderState::Waiting;
    status_ = RecorderStatus::Waiting;
}

bool RecorderEventLogic::Step(bool motion, std::time_t now, RecorderActions& actions) {
    if (stills_ && stillsWithoutMotion_ && StillDue(now)) {
        actions.WriteStill();
        lastStill_ = now;
    }
    switch (state_) {
        case RecorderState::Waiting:
            if (!motion)
                return true;
            // In Intrusion mode every event starts with a key frame, so it plays on its own.
            if (!actions.StoreFrame(!continuous_))
                return false;
            lastStill_ = 0;
            eventStart_ = now;
            state_ = RecorderState::Recording;
            status_ = RecordingStatus();
            return true;
        case RecorderState::Recording:
            if (!motion) {
                motionStop_ = now;
                state_ = RecorderState::Holding;
                status_ = RecorderStatus::Holding;
                return true;
            }
            if (now - eventStart_ > minClipSeconds_)
                actions.Retain();
            if (stills_ && StillDue(now)) {
                actions.WriteStill();
                lastStill_ = now;
            }
            return actions.StoreFrame(false);
        case RecorderState::Holding:
            if (motion) {
                if (!actions.StoreFrame(false))
                    return false;
                state_ = RecorderState::Recording;
                status_ = RecordingStatus();
                return true;
            }
            if (continuous_) {
                actions.Retain();
                return true;
            }
            if (now - motionStop_ > holdSeconds_) {
                if (motionStop_ - eventStart_ > minClipSeconds_) {
                    actions.Retain();
                } else {
                    actions.Drop();
                }
                state_ = RecorderState::Waiting;
                status_ = RecorderStatus::Waiting;
            }
            return true;
    }
    return true;
}

}  // namespace korvex
