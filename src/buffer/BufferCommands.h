#pragma once

#include "buffer/Recorder.h"
#include "common/CameraSettings.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace korvex {

class Clock;
class FrameCompressor;
class UserPrompt;

// The video buffers of one camera, a primary one in the working directory and an optional
// secondary one, with the commands that act on both: the save question before a new
// recording, Save As, Append, Restore, Flush and the changes of directory.
class BufferCommands {
public:
    // Shows the save dialog with a proposed file name; the chosen path, or nothing when
    // the user cancelled.
    using ChooseSavePath = std::function<std::optional<QString>(const QString& proposedName)>;

    enum class SaveResult { Saved, Cancelled, Refused, Failed };

    BufferCommands(int cameraNumber, const Clock& clock, UserPrompt& prompt);

    void Configure(const CameraRecording& settings);
    void SetFailureListener(const CMv2Writer::FailureListener& listener);
    // Gives the primary recorder the working directory (no save question; see
    // ChangeWorkingDirectory).
    void SetWorkingDirectory(const QString& directory) { primary_.SetDirectory(directory); }
    void SetSecondaryDirectory(const QString& directory) { secondary_.SetDirectory(directory); }
    void SetSecondaryEnabled(bool enabled) { secondaryEnabled_ = enabled; }
    bool SecondaryInUse() const { return secondaryEnabled_ && !secondary_.Directory().isEmpty(); }

    Recorder& Primary() { return primary_; }
    const Recorder& Primary() const { return primary_; }
    Recorder& Secondary() { return secondary_; }
    const Recorder& Secondary() const { return secondary_; }
    // "Camera%d.mv2".
    QString BufferName() const;
    // The buffer counts as holding recorded video.
    bool HasData() const { return primary_.HasData(); }

    // Starts Observe or a scheduled recording: the save question, then a new buffer file in
    // each directory in use. `hiddenInTray` saves the old buffer without asking.
    bool StartRecording(FrameCompressor& compressor, bool continuous, bool hiddenInTray,
                        const ChooseSavePath& choose);
    // One frame step of both buffers. False when recording can't go on.
    bool Step(bool motion, std::span<const uint8_t> bits);

    // Saves or lets go of the recorded buffer before it would be overwritten. False when
    // the caller must not go on.
    bool SaveOldBuffer(bool hiddenInTray, const ChooseSavePath& choose);
    // Copies the buffer (or, for a playback window, `playedFile`) to `chosenPath`. A
    // buffer's own file, or the played file, is refused as target.
    SaveResult SaveAs(const std::optional<QString>& chosenPath, const QString& playedFile = {});
    // The name Save As proposes now.
    QString ProposedSaveName() const;

    // Append: recording goes on at the end of the buffer, whose format must still be the
    // compressor's.
    bool CanAppend(const FrameCompressor& compressor) const;
    bool Append(FrameCompressor& compressor, bool continuous);
    // Restore: takes up the buffer files left on disk.
    bool Restore(FrameCompressor& compressor, bool continuous);
    // Flush: after the question, the buffers count as empty; their files stay on disk.
    bool Flush();

    // Runs the save question, then records into `directory`.
    bool ChangeWorkingDirectory(const QString& directory, bool hiddenInTray,
                                const ChooseSavePath& choose);
    // Saves the secondary buffer away, then records into `directory` when a file can be
    // written there.
    bool ChangeSecondaryDirectory(const QString& directory);
    // Moves buffer files an interrupted run left behind to time names.
    bool ArchiveLeftBehind();

    const QString& LastSavedPath() const { return lastSaved_; }

private:
    bool IsBufferFile(const QString& path) const;
    void ResetBuffers();

    int cameraNumber_;
    const Clock& clock_;
    UserPrompt& prompt_;
    Recorder primary_;
    Recorder secondary_;
    bool secondaryEnabled_ = false;
    CameraRecording settings_;
    QString lastSaved_;
};

}  // namespace korvex
