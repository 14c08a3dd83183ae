#pragma once

#include "buffer/Mv2Writer.h"
#include "common/CameraSettings.h"
#include "common/Clock.h"
#include "video/JpegStillConverter.h"

#include <QString>

#include <ctime>

namespace korvex {

class RecordFrame;
class UserPrompt;

enum class RecorderState { Waiting = 1, Recording = 2, Holding = 3 };

// What the camera view shows in its status line.
enum class RecorderStatus { Waiting = 1, Recording = 2, Holding = 3, FollowingOnly = 5 };

// Records the motion of one camera into its video buffer, one call per captured frame:
// an event starts with the first frame with motion (a key frame), stays open while motion
// goes on and for HoldTime seconds after it stops, and in Intrusion mode an event whose
// motion was no longer than MinClipLength seconds is dropped again. Only frames with
// motion are stored. The buffer file is saved away at midnight, every few hours or every
// few megabytes, under a time-stamped name or into the ring of recycled files R0000.mv2 ...
class CMv2Recorder {
public:
    CMv2Recorder(CMv2Writer& writer, const Clock& clock, UserPrompt& prompt);

    // The recording settings, and whether the detection mode is one of the continuous
    // ones (anything but Intrusion): then events are never closed or dropped.
    void Configure(const CameraRecording& settings, bool continuous);

    // Creates the buffer file `name` (replacing it) in the writer's directory and waits for
    // motion.
    bool CreateBufferFile(const QString& name, uint32_t fourcc, const DibFormat& format);
    // Starts the hour count of SaveHourly at now.
    void ResetHourMark() { lastHourMark_ = clock_.WallSeconds(); }

    // One frame step of Observe. False when recording can't go on (the view stops Observe).
    bool Step(bool motion, RecordFrame& frame, const QString& stillDir);

    RecorderState State() const { return state_; }
    RecorderStatus Status() const { return status_; }
    // The number of the next recycled file, for the settings.
    int RecycleCounter() const { return recycleCounter_; }
    CMv2Writer& Writer() { return writer_; }

    // Saves the buffer file under a free time-stamped name for `t` in its directory and
    // starts a new one. An existing file is never replaced; when the file can't be moved at
    // all, recording goes on in it and the user is told. Needs a buffer with data.
    bool SaveByRenaming(std::time_t t);
    // Copies the buffer file to the next file of the recycled ring and starts a new one.
    // When the copy fails, the buffer stays as it is and the counter doesn't move.
    bool SaveByRecycling();

private:
    bool Store(RecordFrame& frame, bool keyFrame);
    void CheckRotation(std::time_t now);
    void WriteStill(const RecordFrame& frame, const QString& dir, std::time_t now);
    RecorderStatus Active() const {
        return writer_.DoRecording() ? RecorderStatus::Recording : RecorderStatus::FollowingOnly;
    }

    CMv2Writer& writer_;
    const Clock& clock_;
    UserPrompt& prompt_;
    JpegStillConverter stills_;
    CameraRecording settings_;
    bool continuous_ = false;

    RecorderState state_ = RecorderState::Waiting;
    RecorderStatus status_ = RecorderStatus::Waiting;
    std::time_t eventStart_ = 0;
    std::time_t motionStop_ = 0;
    std::time_t lastStill_ = 0;
    std::time_t lastHourMark_ = 0;
    int lastWeekday_ = -1;
    int recycleCounter_ = 2;
    // A new file was started: its first frame must be a key frame.
    bool keyFrameDue_ = false;
};

}  // namespace korvex
