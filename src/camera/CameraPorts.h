#pragma once

#include "common/Dib.h"

#include <QString>

#include <cstdint>
#include <ctime>
#include <optional>
#include <span>

namespace korvex {

// The camera's operation reaches the capture source, the recorders of its video buffer,
// the alert actions and the modem only through these small interfaces. The program
// implements them on the real parts; tests of the operation's timing may use stand-ins.

// The capture source as the frame step sees it.
class FrameSource {
public:
    virtual ~FrameSource() = default;
    // Grabs the next frame into the current-frame buffer; false when none came.
    virtual bool Grab() = 0;
    // Whether frames arrive as uncompressed RGB the detector and recorder can take.
    virtual bool FormatUsable() const = 0;
    virtual const DibFormat& Format() const = 0;
    virtual std::span<const uint8_t> Bits() const = 0;
};

// The camera's video buffer: its primary recorder and, when the secondary directory is in
// use, the secondary one.
class BufferRecorder {
public:
    virtual ~BufferRecorder() = default;
    // The directories of the buffers; an empty secondary directory means none is used.
    virtual void SetDirectories(const QString& primary, const QString& secondary) = 0;
    // Archives or keeps the old buffer before a new recording; asks the user unless the
    // program is hidden. False when the command must stop (cancelled or failed).
    virtual bool SaveOldBuffer(bool hidden) = 0;
    // Creates the buffer files for a new recording; false when Observe can't proceed.
    virtual bool CreateBuffers(int cameraNumber, bool continuous) = 0;
    // Goes on recording at the end of the buffer files (Append).
    virtual bool ContinueBuffers(bool continuous) = 0;
    virtual void ResetHourMark(std::time_t now) = 0;
    // Whether the primary recorder takes frames now (its size limit is not reached).
    virtual bool TakesFrames() const = 0;
    // Hands one frame with its verdict to the primary recorder and, when it took it, to the
    // secondary one. False when the primary refused it.
    virtual bool RecordFrame(bool motion, std::span<const uint8_t> bits) = 0;
    // Whether the buffer holds video that must not be overwritten silently.
    virtual bool HasData() const = 0;
    // 1 waiting, 2 recording, 3 holding, 5 following motion without recording.
    virtual int Status() const = 0;
    // Archives the buffers under time-stamped names (the end of a Timer session).
    virtual void ArchiveBuffers() = 0;
    // Whether the buffer's recorded format equals the compressor's output format now.
    virtual bool FormatMatches() const = 0;
};

// What a Lookout firing does beyond the sequencer's own actions.
class AlertSink {
public:
    virtual ~AlertSink() = default;
    // Saves the alert stills of the current frame (time-stamped JPEG, "lookout.jpg").
    virtual void SaveAlertImages(const DibFormat& format, std::span<const uint8_t> bits) = 0;
    // The modem action of the Lookout page: 0 transmit video, 1 page, 2 nothing.
    virtual void ModemAction(int xmitAction, bool observeArmed) = 0;
    // The page of the disk-usage warning; false when it could not be placed.
    virtual bool DiskUsagePage() = 0;
};

// Used and total bytes of the drive of a directory; nullopt when it can't be asked.
struct DiskSpace {
    uint64_t availableBytes = 0;
    uint64_t totalBytes = 0;
};
std::optional<DiskSpace> QueryDiskSpace(const QString& directory);

}  // namespace korvex
