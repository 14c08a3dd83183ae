#include "buffer/RecorderRotation.h"

#include "common/CameraSettings.h"

namespace korvex {

namespace {
int LocalWeekday(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    return local.tm_wday;
}
}  // namespace

void RecorderRotation::Configure(const CameraRecording& settings) {
    hourly_ = settings.saveHourly != 0;
    hours_ = settings.saveHours;
    midnight_ = settings.midSave != 0;
    bySize_ = settings.saveBySize != 0;
    megabytes_ = settings.mbytesSave;
    recycle_ = settings.recycleFiles != 0;
}

void RecorderRotation::NoteFileCreated(std::time_t now) {
    if (weekday_ < 0)
        weekday_ = LocalWeekday(now);
}

RotationKind RecorderRotation::Check(int64_t writePos, std::time_t now) {
    if (hourly_ && writePos > kMinBytes && (now - hourMark_) / 3600 >= hours_) {
        hourMark_ = now;
        return RotationKind::Rename;
    }
    if (midnight_ && writePos > kMinBytes) {
        const int today = LocalWeekday(now);
        // A buffer continued without a new file (Append, Restore) has no weekday yet: it
        // starts from today instead of counting as a day change.
        if (weekday_ < 0) {
            weekday_ = today;
        } else if (today != weekday_) {
            weekday_ = today;
            return RotationKind::Rename;
        }
    }
    if (bySize_ && writePos / 1048576 >= megabytes_) {
        return recycle_ ? RotationKind::Recycle : RotationKind::Rename;
    }
    return RotationKind::None;
}

}  // namespace korvex
