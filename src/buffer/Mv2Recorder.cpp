#include "buffer/Mv2Recorder.h"

#include "buffer/RecordFrame.h"
#include "common/Paths.h"
#include "common/TimeName.h"
#include "common/UserPrompt.h"
#include "common/strings/BufferStrings.h"
#include "video/FileCopy.h"
#include "video/StampedBitmap.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace korvex {

namespace {

constexpr int64_t kHasDataBytes = 1000;
constexpr int kNextSecondsTried = 10;
constexpr int kSuffixesTried = 99;

int Weekday(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    return local.tm_wday;
}

enum class MoveResult { Moved, Exists, Failed };

// Moves `from` to `to` unless `to` exists.
MoveResult MoveWithoutReplacing(const QString& from, const QString& to) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
        0) {
        return MoveResult::Moved;
    }
    if (errno == EINVAL || errno == ENOSYS) {
        // A file system without the no-replace rename: a hard link fails on an existing name.
        if (::link(source.constData(), target.constData()) == 0) {
            ::unlink(source.constData());
            return MoveResult::Moved;
        }
    }
    return errno == EEXIST ? MoveResult::Exists : MoveResult::Failed;
}

}  // namespace

CMv2Recorder::CMv2Recorder(CMv2Writer& writer, const Clock& clock, UserPrompt& prompt)
    : writer_(writer), clock_(clock), prompt_(prompt), stills_(prompt) {}

void CMv2Recorder::Configure(const CameraRecording& settings, bool continuous) {
    settings_ = settings;
    continuous_ = continuous;
    recycleCounter_ = settings.recycleCounter;
    writer_.SetDoRecording(settings.doRecording != 0);
    writer_.SetWriteDirect(settings.writeDirect != 0);
    writer_.SetLimit(settings.limitBuffer != 0, settings.SizeLimitKb());
}

bool CMv2Recorder::CreateBufferFile(const QString& name, uint32_t fourcc, const DibFormat& format) {
    if (writer_.Directory().isEmpty()) {
        return true;
    }
    state_ = RecorderState::Waiting;
    status_ = RecorderStatus::Waiting;
    keyFrameDue_ = true;
    lastWeekday_ = Weekday(clock_.WallSeconds());
    return writer_.CreateBufferFile(name, fourcc, format);
}

bool CMv2Recorder::Store(RecordFrame& frame, bool keyFrame) {
    if (!writer_.DoRecording()) {
        return true;
    }
    const auto data = frame.Compressed(keyFrame || keyFrameDue_);
    if (!data) {
        return false;
    }
    if (!writer_.AppendRecord(*data, frame.IsKeyFrame())) {
        return false;
    }
    keyFrameDue_ = false;
    return true;
}

bool CMv2Recorder::Step(bool motion, RecordFrame& frame, const QString& stillDir) {
    if (writer_.Directory().isEmpty()) {
        return true;
    }
    const std::time_t now = clock_.WallSeconds();
    CheckRotation(now);
    if (settings_.saveGIF && settings_.saveNoMotion && now - lastStill_ >= settings_.gifFreq) {
        WriteStill(frame, stillDir, now);
        lastStill_ = now;
    }

    switch (state_) {
        case RecorderState::Waiting:
            if (!motion) {
                return true;
            }
            if (!Store(frame, !continuous_)) {
                return false;
            }
            lastStill_ = 0;
            eventStart_ = now;
            state_ = RecorderState::Recording;
            status_ = Active();
            return true;

        case RecorderState::Recording:
            if (!motion) {
                motionStop_ = now;
                state_ = RecorderState::Holding;
                status_ = RecorderStatus::Holding;
                return true;
            }
            if (now - eventStart_ > settings_.minClipLength) {
                writer_.Commit();
            }
            if (settings_.saveGIF && now - lastStill_ >= settings_.gifFreq) {
                WriteStill(frame, stillDir, now);
                lastStill_ = now;
            }
            return Store(frame, false);

        case RecorderState::Holding:
            if (motion) {
                if (!Store(frame, false)) {
                    return false;
                }
                state_ = RecorderState::Recording;
                status_ = Active();
                return true;
            }
            if (continuous_) {
                writer_.Commit();
                return true;
            }
            if (now - motionStop_ > settings_.holdTime) {
                if (motionStop_ - eventStart_ > settings_.minClipLength) {
                    writer_.Commit();
                } else {
                    writer_.DropUncommitted();
                }
                state_ = RecorderState::Waiting;
                status_ = RecorderStatus::Waiting;
            }
            return true;
    }
    return true;
}

void CMv2Recorder::CheckRotation(std::time_t now) {
    const bool filled = writer_.WritePos() > kHasDataBytes;
    if (settings_.saveHourly && filled && (now - lastHourMark_) / 3600 >= settings_.saveHours) {
        lastHourMark_ = now;
        SaveByRenaming(now);
        return;
    }
    if (settings_.midSave && filled) {
        const int weekday = Weekday(now);
        // A buffer taken over with Append or Restore starts its day count now.
        if (lastWeekday_ < 0) {
            lastWeekday_ = weekday;
        }
        if (weekday != lastWeekday_) {
            lastWeekday_ = weekday;
            SaveByRenaming(now);
            return;
        }
    }
    if (settings_.saveBySize && writer_.WritePos() / 1048576 >= settings_.mbytesSave) {
        if (settings_.recycleFiles) {
            SaveByRecycling();
        } else {
            SaveByRenaming(now);
        }
    }
}

bool CMv2Recorder::SaveByRenaming(std::time_t t) {
    if (!writer_.HasData()) {
        return false;
    }
    const QString dir = writer_.Directory();
    const QString buffer = writer_.Path();
    // The first free name: this second, the next few seconds, then the name with a suffix.
    MoveResult result = MoveResult::Exists;
    for (int k = 0; k < kNextSecondsTried && result == MoveResult::Exists; ++k) {
        result = MoveWithoutReplacing(
            buffer, JoinPath(dir, MakeTimeName(t + k, TimeNameForm::DateSecond, "mv2")));
    }
    const QString base = QFileInfo(MakeTimeName(t, TimeNameForm::DateSecond, "mv2")).baseName();
    for (int n = 2; n <= kSuffixesTried && result == MoveResult::Exists; ++n) {
        result = MoveWithoutReplacing(buffer,
                                      JoinPath(dir, QStringLiteral("%1_%2.mv2").arg(base).arg(n)));
    }
    if (result != MoveResult::Moved) {
        // Recreating the buffer now would destroy the recorded video: go on appending.
        const int code = errno;
        prompt_.Message(
            Str(IDS_MV2_SAVE_MOVE_FAILED).arg(buffer) + QStringLiteral("\n") +
                QStringLiteral("%1 : %2").arg(Str(IDS_MV2_SYSTEM_MESSAGE), strerror(code)),
            PromptIcon::Warning);
        return false;
    }
    if (!writer_.Recreate()) {
        return false;
    }
    state_ = RecorderState::Waiting;
    status_ = RecorderStatus::Waiting;
    keyFrameDue_ = true;
    return true;
}

bool CMv2Recorder::SaveByRecycling() {
    if (!writer_.HasData()) {
        return false;
    }
    int counter = recycleCounter_ == settings_.recycleNum ? 0 : recycleCounter_;
    const QString target = JoinPath(writer_.Directory(), QString::asprintf("R%.4d.mv2", counter));
    const CopyResult copy = CopyFileBytes(writer_.Path(), target, prompt_);
    if (!copy.ok) {
        prompt_.Message(
            QStringLiteral("%1 : %2").arg(Str(IDS_MV2_SYSTEM_MESSAGE), strerror(copy.error)),
            PromptIcon::Error);
        return false;
    }
    recycleCounter_ = counter + 1;
    if (!writer_.Recreate()) {
        return false;
    }
    state_ = RecorderState::Waiting;
    status_ = RecorderStatus::Waiting;
    keyFrameDue_ = true;
    return true;
}

void CMv2Recorder::WriteStill(const RecordFrame& frame, const QString& dir, std::time_t now) {
    const QString bitmap = JoinPath(dir, QStringLiteral("ktemp.bmp"));
    if (WriteStampedBitmap(bitmap, frame.RawFormat(), frame.RawBits(), now, prompt_)) {
        stills_.ConvertBitmapToJpeg(JoinPath(dir, QStringLiteral("korvex.jpg")), bitmap);
    }
}

}  // namespace korvex
