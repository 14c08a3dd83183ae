#pragma once

#include "buffer/RecorderActions.h"

#include <ctime>

namespace korvex {

struct CameraRecording;

enum class RecorderState { Waiting = 1, Recording = 2, Holding = 3 };

// What the camera's status line shows for its recorder.
enum class RecorderStatus {
    Waiting = 1,
    Recording = 2,
    Holding = 3,
    // Motion is followed, but recording is switched off.
    Following = 5,
};

// When a motion event starts, which frames are stored, how long an event is held open after
// the motion stops and whether it is kept. In Intrusion mode an event whose motion lasted
// no longer than the minimum clip length is dropped after the hold time; in the other
// detection modes (the continuous flag) everything is kept and the logic never goes back to
// waiting once motion was seen. Only frames with motion are stored: the holding period shows
// as a gap in the record times.
class RecorderEventLogic {
public:
    // Takes DoRecording, SaveGIF, GIFFreq, SaveNoMotion, MinClipLength and HoldTime.
    void Configure(const CameraRecording& settings);
    void SetContinuous(bool continuous) { continuous_ = continuous; }
    bool Continuous() const { return continuous_; }

    // One frame step at `now`; false when a record could not be stored.
    bool Step(bool motion, std::time_t now, RecorderActions& actions);

    // A new buffer file was started: wait for the next motion.
    void OnNewFile();
    // The buffer was emptied logically (flush, save, directory change); the state stays.
    void OnReset() { status_ = RecorderStatus::Waiting; }

    RecorderState State() const { return state_; }
    RecorderStatus Status() const { return status_; }
    std::time_t EventStart() const { return eventStart_; }
    std::time_t MotionStop() const { return motionStop_; }

private:
    bool StillDue(std::time_t now) const { return now - lastStill_ >= stillSeconds_; }
    RecorderStatus RecordingStatus() const {
        return doRecording_ ? RecorderStatus::Recording : RecorderStatus::Following;
    }

    RecorderState state_ = RecorderState::Waiting;
    RecorderStatus status_ = RecorderStatus::Waiting;
    bool continuous_ = false;
    std::time_t eventStart_ = 0;
    std::time_t motionStop_ = 0;
    // 0 makes the next still due at once.
    std::time_t lastStill_ = 0;

    bool doRecording_ = true;
    bool stills_ = false;
    bool stillsWithoutMotion_ = false;
    int stillSeconds_ = 30;
    int minClipSeconds_ = 0;
    int holdSeconds_ = 10;
};

}  // namespace korvex
