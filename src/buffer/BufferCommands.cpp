#include "buffer/BufferCommands.h"

#include "buffer/BufferFiles.h"
#include "buffer/FileHandle.h"
#include "common/Paths.h"
#include "common/StringTable.h"
#include "common/SystemError.h"
#include "common/UserPrompt.h"
#include "common/strings/BufferStrings.h"
#include "common/strings/CameraStrings.h"

#include <QFileInfo>

#include <fcntl.h>
#include <cerrno>
#include <cstring>

namespace korvex {

namespace {

// The first five words of a bitmap header: size, width, height, planes with bit count,
// compression.
bool SameStreamFormat(const DibFormat& a, const DibFormat& b) {
    if (a.IsEmpty() || b.IsEmpty())
        return false;
    return std::memcmp(&a.Header(), &b.Header(), 20) == 0;
}
}  // namespace

BufferCommands::BufferCommands(int cameraNumber, const Clock& clock, UserPrompt& prompt)
    : cameraNumber_(cameraNumber),
      clock_(clock),
      prompt_(prompt),
      primary_(Recorder::Role::Primary, clock, prompt),
      secondary_(Recorder::Role::Secondary, clock, prompt) {}

void BufferCommands::Configure(const CameraRecording& settings) {
    settings_ = settings;
    primary_.Configure(settings);
    secondary_.Configure(settings);
}

void BufferCommands::SetFailureListener(const CMv2Writer::FailureListener& listener) {
    primary_.SetFailureListener(listener);
    secondary_.SetFailureListener(listener);
}

QString BufferCommands::BufferName() const {
    return QStringLiteral("Camera%1.mv2").arg(cameraNumber_);
}

QString BufferCommands::ProposedSaveName() const {
    return ArchiveName(clock_.WallSeconds(), 0);
}

bool BufferCommands::StartRecording(FrameCompressor& compressor, bool continuous, bool hiddenInTray,
                                    const ChooseSavePath& choose) {
    if (!SaveOldBuffer(hiddenInTray, choose))
        return false;
    const bool primaryOk = primary_.CreateBufferFile(BufferName(), compressor, continuous);
    const bool secondaryOk =
        SecondaryInUse() && secondary_.CreateBufferFile(BufferName(), compressor, continuous);
    if (settings_.saveHourly != 0) {
        primary_.ResetHourMark();
        secondary_.ResetHourMark();
    }
    // Recording starts when at least one buffer file in use was created.
    return primaryOk || secondaryOk;
}

bool BufferCommands::Step(bool motion, std::span<const uint8_t> bits) {
    if (!primary_.Step(motion, bits, primary_.Directory()))
        return false;
    if (SecondaryInUse())
        secondary_.StepAfter(primary_, motion, bits, secondary_.Directory());
    return true;
}

bool BufferCommands::SaveOldBuffer(bool hiddenInTray, const ChooseSavePath& choose) {
    if (!primary_.HasData())
        return true;
    if (hiddenInTray) {
        const std::time_t now = clock_.WallSeconds();
        if (!primary_.SaveByRenaming(now))
            return false;
        // The secondary copy would be overwritten by the next recording just the same.
        if (SecondaryInUse() && secondary_.HasData() && !secondary_.SaveByRenaming(now)) {
            return false;
        }
        lastSaved_ = primary_.LastSavedPath();
    } else {
        switch (prompt_.Ask(Str(IDS_SAVE_BUFFER_QUESTION), PromptButtons::YesNoCancel,
                            PromptAnswer::Yes)) {
            case PromptAnswer::Cancel:
                return false;
            case PromptAnswer::Yes:
                if (SaveAs(choose ? choose(ProposedSaveName()) : std::nullopt) !=
                    SaveResult::Saved) {
                    return false;
                }
                break;
            default:
                break;
        }
    }
    ResetBuffers();
    return true;
}

bool BufferCommands::IsBufferFile(const QString& path) const {
    return (!primary_.Path().isEmpty() && IsSameFile(primary_.Path(), path)) ||
           (SecondaryInUse() && !secondary_.Path().isEmpty() &&
            IsSameFile(secondary_.Path(), path));
}

BufferCommands::SaveResult BufferCommands::SaveAs(const std::optional<QString>& chosenPath,
                                                  const QString& playedFile) {
    if (!chosenPath)
        return SaveResult::Cancelled;
    const QString source = playedFile.isEmpty() ? primary_.Path() : playedFile;
    if (IsBufferFile(*chosenPath) || IsSameFile(source, *chosenPath)) {
        prompt_.Message(Str(IDS_MV2_SAVE_ONTO_ITSELF), PromptIcon::Error);
        return SaveResult::Refused;
    }
    const BufferFileResult copied = CopyReplacing(source, *chosenPath);
    if (SecondaryInUse() && secondary_.HasData()) {
        const BufferFileResult second =
            CopyToFreeName(secondary_.Path(), secondary_.Directory(), clock_.WallSeconds());
        if (!second.Ok())
            prompt_.Message(SystemErrorText(second.error), PromptIcon::Error);
    }
    if (!copied.Ok()) {
        prompt_.Message(SystemErrorText(copied.error), PromptIcon::Error);
        return SaveResult::Failed;
    }
    lastSaved_ = copied.path;
    if (playedFile.isEmpty())
        ResetBuffers();
    return SaveResult::Saved;
}

bool BufferCommands::CanAppend(const FrameCompressor& compressor) const {
    return primary_.HasData() &&
           SameStreamFormat(primary_.Writer().Format(), compressor.OutFormat());
}

bool BufferCommands::Append(FrameCompressor& compressor, bool continuous) {
    if (!CanAppend(compressor))
        return false;
    primary_.Continue(compressor, continuous);
    if (SecondaryInUse())
        secondary_.Continue(compressor, continuous);
    if (settings_.saveHourly != 0) {
        primary_.ResetHourMark();
        secondary_.ResetHourMark();
    }
    return true;
}

bool BufferCommands::Restore(FrameCompressor& compressor, bool continuous) {
    if (primary_.HasData())
        return false;
    const bool ok = primary_.Restore(BufferName(), compressor, continuous);
    if (SecondaryInUse())
        secondary_.Restore(BufferName(), compressor, continuous);
    return ok;
}

bool BufferCommands::Flush() {
    if (!primary_.HasData())
        return false;
    if (prompt_.Ask(Str(IDS_FLUSH_BUFFER_QUESTION), PromptButtons::YesNo, PromptAnswer::No) !=
        PromptAnswer::Yes) {
        return false;
    }
    ResetBuffers();
    return true;
}

bool BufferCommands::ChangeWorkingDirectory(const QString& directory, bool hiddenInTray,
                                            const ChooseSavePath& choose) {
    if (!SaveOldBuffer(hiddenInTray, choose))
        return false;
    primary_.SetDirectory(directory);
    primary_.Reset();
    return true;
}

bool BufferCommands::ChangeSecondaryDirectory(const QString& directory) {
    if (secondary_.HasData() && !secondary_.SaveByRenaming(clock_.WallSeconds()))
        return false;
    FileHandle probe =
        FileHandle::Open(JoinPath(directory, QStringLiteral("lookout.jpg")), O_WRONLY | O_CREAT);
    if (!probe.IsOpen() || !probe.Close()) {
        prompt_.Message(Str(IDS_WORKDIR_CHANGE_FAILED), PromptIcon::Error);
        return false;
    }
    secondary_.SetDirectory(directory);
    secondary_.Reset();
    return true;
}

bool BufferCommands::ArchiveLeftBehind() {
    const std::time_t now = clock_.WallSeconds();
    bool ok = true;
    const auto archive = [&](const QString& directory) {
        const QString path = JoinPath(directory, BufferName());
        if (directory.isEmpty() || !QFileInfo::exists(path))
            return;
        const BufferFileResult moved = MoveToFreeName(path, directory, now);
        if (!moved.Ok()) {
            prompt_.Message(SystemErrorText(moved.error), PromptIcon::Error);
            ok = false;
        }
    };
    archive(primary_.Directory());
    if (SecondaryInUse())
        archive(secondary_.Directory());
    return ok;
}

void BufferCommands::ResetBuffers() {
    primary_.Reset();
    if (SecondaryInUse())
        secondary_.Reset();
}

}  // namespace korvex
