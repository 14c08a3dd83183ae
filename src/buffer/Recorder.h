#pragma once

#include "buffer/Mv2Writer.h"
#include "buffer/RecorderActions.h"
#include "buffer/RecorderEventLogic.h"
#include "buffer/RecorderRotation.h"
#include "common/Clock.h"
#include "video/FrameCompressor.h"
#include "video/JpegStillConverter.h"

#include <QString>

#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <vector>

namespace korvex {

struct CameraRecording;
class UserPrompt;

// Records a camera's motion into one video buffer file: the event logic decides which
// frames are stored, the rotation saves the file away under another name when it is due,
// and a still image of the current frame is kept up to date. A camera has one recorder per
// working directory; the secondary one stores the very bytes the primary compressed, so
// each frame is compressed once.
class Recorder : private RecorderActions {
public:
    enum class Role { Primary, Secondary };

    Recorder(Role role, const Clock& clock, UserPrompt& prompt);

    // An empty directory switches the recorder off: every operation succeeds and touches
    // no file.
    void SetDirectory(const QString& directory) { writer_.SetDirectory(directory); }
    const QString& Directory() const { return writer_.Directory(); }
    // Takes the recording settings; the recycle counter starts at RecycleCounter.
    void Configure(const CameraRecording& settings);
    // Receives the writer's failure notices.
    void SetFailureListener(CMv2Writer::FailureListener listener);

    // Starts the buffer file `name` for frames of `compressor`; `continuous` is set for
    // every detection mode but Intrusion.
    bool CreateBufferFile(const QString& name, FrameCompressor& compressor, bool continuous);
    // Goes on recording into the existing buffer file `name` at its end.
    bool Restore(const QString& name, FrameCompressor& compressor, bool continuous);
    // Goes on recording at the end of what the buffer holds (the Append command).
    void Continue(FrameCompressor& compressor, bool continuous);
    // Forgets the contents; the file on disk is not changed.
    void Reset();
    void ResetHourMark() { rotation_.ResetHourMark(clock_.WallSeconds()); }

    // One frame step of the primary recorder: `bits` is the raw frame, compressed when it
    // is stored; the still image goes to `stillDir`. False when recording can't go on.
    bool Step(bool motion, std::span<const uint8_t> bits, const QString& stillDir);
    // One frame step of the secondary recorder, right after the primary's step: it stores
    // what the primary compressed in that step.
    bool StepAfter(const Recorder& primary, bool motion, std::span<const uint8_t> bits,
                   const QString& stillDir);
    // The frame the primary stored in its latest step (valid until the compressor's next
    // frame), if any.
    const std::optional<CompressedFrame>& StoredThisStep() const { return stored_; }

    // Moves the buffer file to the first free time name of `t` in its directory and starts
    // it again. When the file can't be moved, recording goes on in it and the failure is
    // reported. Requires recorded data.
    bool SaveByRenaming(std::time_t t);
    // Copies the buffer file into the ring of recycled files and starts it again; a failed
    // copy changes nothing.
    bool SaveByRecycling();

    RecorderState State() const { return logic_.State(); }
    RecorderStatus Status() const { return logic_.Status(); }
    bool HasData() const { return writer_.HasData(); }
    bool BelowLimit() const { return writer_.BelowLimit(); }
    QString Path() const { return writer_.Path(); }
    int RecycleCounter() const { return recycleCounter_; }
    // Where the latest save put the buffer file.
    const QString& LastSavedPath() const { return lastSaved_; }
    const CMv2Writer& Writer() const { return writer_; }
    const RecorderRotation& Rotation() const { return rotation_; }

private:
    bool RunStep(bool motion, std::span<const uint8_t> bits, const QString& stillDir);
    void Rotate(std::time_t now);
    bool StartAgain();
    void ReportSaveFailure(const QString& target, int error);

    bool StoreFrame(bool keyFrame) override;
    void Retain() override { writer_.Commit(); }
    void Drop() override { writer_.DropUncommitted(); }
    void WriteStill() override;

    Role role_;
    const Clock& clock_;
    UserPrompt& prompt_;
    CMv2Writer writer_;
    RecorderEventLogic logic_;
    RecorderRotation rotation_;
    FrameCompressor* compressor_ = nullptr;
    JpegStillConverter stills_;

    // The step in progress: the raw frame, where its still goes and, for the secondary,
    // what the primary stored.
    std::span<const uint8_t> bits_;
    QString stillDir_;
    const std::optional<CompressedFrame>* fromPrimary_ = nullptr;
    std::optional<CompressedFrame> stored_;
    // The next record must decode on its own (a new or continued file, or a secondary that
    // missed the primary's key frame).
    bool needKey_ = true;

    int recycleNum_ = 50;
    int recycleCounter_ = 2;
    QString lastSaved_;
    bool saveFailureShown_ = false;
};

}  // namespace korvex
