#pragma once

#include <cstdint>
#include <ctime>

namespace korvex {

struct CameraRecording;

// How the buffer file is to be saved away at this frame.
enum class RotationKind {
    None,
    // Moved to a time-stamped name, then started again.
    Rename,
    // Copied into the ring of recycled files, then started again.
    Recycle,
};

// When the buffer file is saved away: every few hours, when the day changes, every few
// megabytes. At most one rotation per frame, tested in that order. The hour mark and the
// weekday move when their rotation is due, whether or not the save then succeeds.
class RecorderRotation {
public:
    // Takes SaveHourly, SaveHours, MidSave, SaveBySize, MbytesSave and RecycleFiles.
    void Configure(const CameraRecording& settings);

    void ResetHourMark(std::time_t now) { hourMark_ = now; }
    // A buffer file was created: the first one sets the weekday the midnight save starts
    // from.
    void NoteFileCreated(std::time_t now);

    RotationKind Check(int64_t writePos, std::time_t now);

    std::time_t HourMark() const { return hourMark_; }
    int Weekday() const { return weekday_; }

private:
    static constexpr int64_t kMinBytes = 1000;

    bool hourly_ = false;
    int hours_ = 1;
    bool midnight_ = false;
    bool bySize_ = false;
    int megabytes_ = 10;
    bool recycle_ = false;

    std::time_t hourMark_ = 0;
    // -1 until a weekday is known.
    int weekday_ = -1;
};

}  // namespace korvex
