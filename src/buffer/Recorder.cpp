#include "buffer/Recorder.h"

#include "buffer/BufferFiles.h"
#include "common/CameraSettings.h"
#include "common/Paths.h"
#include "common/StringTable.h"
#include "common/UserPrompt.h"
#include "common/strings/BufferStrings.h"
#include "common/strings/CameraStrings.h"
#include "video/StampedBitmap.h"

#include <cstdio>
#include <cstring>

namespace korvex {

Recorder::Recorder(Role role, const Clock& clock, UserPrompt& prompt)
    : role_(role), clock_(clock), prompt_(prompt), writer_(clock, &prompt), stills_(prompt) {}

void Recorder::Configure(const CameraRecording& settings) {
    logic_.Configure(settings);
    rotation_.Configure(settings);
    writer_.SetDoRecording(settings.doRecording != 0);
    writer_.SetWriteDirect(settings.writeDirect != 0);
    writer_.SetLimit(settings.limitBuffer != 0, settings.SizeLimitKb());
    recycleNum_ = settings.recycleNum;
    recycleCounter_ = settings.recycleCounter;
}

void Recorder::SetFailureListener(CMv2Writer::FailureListener listener) {
    writer_.SetFailureListener(std::move(listener));
}

bool Recorder::CreateBufferFile(const QString& name, FrameCompressor& compressor, bool continuous) {
    compressor_ = &compressor;
    logic_.SetContinuous(continuous);
    compressor.ForceKeyFrame();
    needKey_ = true;
    const bool ok = writer_.CreateBufferFile(name, compressor.Handler(), compressor.OutFormat());
    logic_.OnNewFile();
    rotation_.NoteFileCreated(clock_.WallSeconds());
    return ok;
}

bool Recorder::Restore(const QString& name, FrameCompressor& compressor, bool continuous) {
    compressor_ = &compressor;
    logic_.SetContinuous(continuous);
    const bool ok = writer_.Reopen(name);
    logic_.OnNewFile();
    needKey_ = true;
    return ok;
}

void Recorder::Continue(FrameCompressor& compressor, bool continuous) {
    compressor_ = &compressor;
    logic_.SetContinuous(continuous);
    // Frames of an event cut short by the last stop stay: the next event starts after them.
    writer_.Commit();
    logic_.OnNewFile();
    needKey_ = true;
}

void Recorder::Reset() {
    writer_.Reset();
    logic_.OnReset();
}

bool Recorder::Step(bool motion, std::span<const uint8_t> bits, const QString& stillDir) {
    stored_.reset();
    fromPrimary_ = nullptr;
    return RunStep(motion, bits, stillDir);
}

bool Recorder::StepAfter(const Recorder& primary, bool motion, std::span<const uint8_t> bits,
                         const QString& stillDir) {
    stored_.reset();
    fromPrimary_ = &primary.StoredThisStep();
    const bool ok = RunStep(motion, bits, stillDir);
    // A frame of the primary's stream that this buffer did not take breaks the chain its
    // next frames refer to: wait for a key frame.
    if (fromPrimary_->has_value() && !stored_)
        needKey_ = true;
    fromPrimary_ = nullptr;
    return ok;
}

bool Recorder::RunStep(bool motion, std::span<const uint8_t> bits, const QString& stillDir) {
    if (Directory().isEmpty())
        return true;
    // Past the size limit nothing more is stored; the camera stops recording.
    if (!writer_.BelowLimit())
        return false;
    bits_ = bits;
    stillDir_ = stillDir;
    const std::time_t now = clock_.WallSeconds();
    Rotate(now);
    return logic_.Step(motion, now, *this);
}

void Recorder::Rotate(std::time_t now) {
    switch (rotation_.Check(writer_.WritePos(), now)) {
        case RotationKind::Rename:
            SaveByRenaming(now);
            break;
        case RotationKind::Recycle:
            SaveByRecycling();
            break;
        case RotationKind::None:
            break;
    }
}

bool Recorder::StoreFrame(bool keyFrame) {
    if (!writer_.DoRecording())
        return true;
    const bool key = keyFrame || needKey_;
    std::optional<CompressedFrame> frame;
    if (role_ == Role::Primary) {
        if (compressor_ == nullptr || !compressor_->IsReady()) {
            prompt_.Message(Str(IDS_NO_COMPRESSOR), PromptIcon::Error);
            if (compressor_ != nullptr)
                compressor_->FallBackToUncompressed();
            return false;
        }
        if (key)
            compressor_->ForceKeyFrame();
        frame = compressor_->CompressFrame(bits_);
        // The compressor has told the user why.
        if (!frame)
            return false;
    } else {
        if (fromPrimary_ == nullptr || !fromPrimary_->has_value())
            return true;
        frame = **fromPrimary_;
        if (key && !frame->keyFrame) {
            // Ask the shared compressor for a key frame and store from there on.
            if (compressor_ != nullptr)
                compressor_->ForceKeyFrame();
            return true;
        }
    }
    if (!writer_.AppendRecord(frame->data, frame->keyFrame))
        return false;
    needKey_ = false;
    stored_ = frame;
    return true;
}

bool Recorder::SaveByRenaming(std::time_t t) {
    if (!writer_.HasData())
        return false;
    const BufferFileResult moved = MoveToFreeName(writer_.Path(), Directory(), t);
    if (!moved.Ok()) {
        ReportSaveFailure(JoinPath(Directory(), ArchiveName(t, 0)), moved.error);
        return false;
    }
    lastSaved_ = moved.path;
    return StartAgain();
}

bool Recorder::SaveByRecycling() {
    if (!writer_.HasData())
        return false;
    if (recycleCounter_ == recycleNum_)
        recycleCounter_ = 0;
    const QString target = JoinPath(Directory(), RecycledName(recycleCounter_));
    const BufferFileResult copied = CopyReplacing(writer_.Path(), target);
    if (!copied.Ok()) {
        ReportSaveFailure(target, copied.error);
        return false;
    }
    ++recycleCounter_;
    lastSaved_ = target;
    return StartAgain();
}

bool Recorder::StartAgain() {
    saveFailureShown_ = false;
    if (compressor_ != nullptr)
        compressor_->ForceKeyFrame();
    needKey_ = true;
    const bool ok = writer_.Recreate();
    logic_.OnNewFile();
    return ok;
}

void Recorder::ReportSaveFailure(const QString& target, int error) {
    // A save that keeps failing (every frame, for a size rotation) is told once.
    if (saveFailureShown_)
        return;
    saveFailureShown_ = true;
    prompt_.Message(Str(IDS_MV2_SAVE_MOVE_FAILED).arg(target, strerror(error)),
                    PromptIcon::Warning);
}

void Recorder::WriteStill() {
    if (compressor_ == nullptr)
        return;
    const QString bitmap = JoinPath(stillDir_, QStringLiteral("ktemp.bmp"));
    if (!WriteStampedBitmap(bitmap, compressor_->InFormat(), bits_, clock_.WallSeconds(),
                            prompt_)) {
        return;
    }
    stills_.ConvertBitmapToJpegInPlace(JoinPath(stillDir_, QStringLiteral("korvex.jpg")), bitmap);
}

}  // namespace korvex
