#pragma once

#include "buffer/FileHandle.h"
#include "buffer/Mv2Header.h"
#include "common/SettingsStore.h"

#include <QString>

#include <cstdint>
#include <ctime>
#include <functional>
#include <span>
#include <vector>

namespace korvex {

class UserPrompt;

namespace settings {
// Seconds of silence that separate two events of a video buffer.
inline constexpr IntSetting kEventInterval{"Settings", "EventInterval", 120, 0, 100000000};
}  // namespace settings

// One record as the reader found it.
struct Mv2RecordInfo {
    int64_t offset = 0;
    std::time_t time = 0;
    uint32_t length = 0;
    bool keyFrame = false;

    int64_t NextOffset() const {
        return offset + static_cast<int64_t>(kMv2RecordHeaderBytes) + length;
    }
};

// Reads an MV2 file: checks the header, indexes key frames and events once at open, then
// steps through frames and events. The file is only read; it may grow while it is open
// (the recorder keeps appending), and the index follows when playback reaches new records.
// The current record's data is handed out as it is stored; decoding is the caller's.
class CMv2Reader {
public:
    enum class ReadStatus { Ok, End, Corrupt };

    // `prompt` shows the messages (none when null); `settings` gives EventInterval
    // (120 when null).
    explicit CMv2Reader(UserPrompt* prompt = nullptr, const SettingsStore* settings = nullptr);

    // Opens, checks and indexes `path`; the current frame is then the first one.
    bool Open(const QString& path);
    void Close();
    bool IsOpen() const { return file_.IsOpen(); }

    // Called every 50 records while indexing and once at its end with "Reading frame %ld".
    void SetProgressListener(std::function<void(const QString&)> listener) {
        progress_ = std::move(listener);
    }

    bool Rewind();
    bool NextFrame();
    bool PreviousFrame();
    bool NextEvent();
    bool PreviousEvent();

    bool AtStart() const { return !hasCurrent_ || current_.offset == firstRecord_; }
    bool AtEnd() const { return atEnd_; }
    bool IsPaused() const { return paused_; }
    void SetPaused(bool paused) { paused_ = paused; }
    bool IsReverse() const { return reverse_; }
    void SetReverse(bool reverse) { reverse_ = reverse; }
    bool HasError() const { return error_; }

    // The current record and its data.
    bool HasFrame() const { return hasCurrent_; }
    const Mv2RecordInfo& Current() const { return current_; }
    std::time_t FrameTime() const { return hasCurrent_ ? current_.time : 0; }
    std::span<const uint8_t> FrameData() const { return {frame_.data(), current_.length}; }

    const Mv2Header& Header() const { return header_; }
    const DibFormat& Format() const { return header_.Format(); }
    std::time_t BaseTime() const { return baseTime_; }
    int64_t FirstRecordOffset() const { return firstRecord_; }

    int64_t FrameCount() const { return frameCount_; }
    int64_t KeyFrameCount() const { return static_cast<int64_t>(keys_.size()); }
    int64_t EventCount() const { return static_cast<int64_t>(events_.size()); }
    const std::vector<int64_t>& KeyFrames() const { return keys_; }
    const std::vector<int64_t>& Events() const { return events_; }
    // The longest run of consecutive records sharing one time value, at least 1. The run
    // still open at the end of the indexed records doesn't count.
    int PeakRate() const { return peak_ > 0 ? static_cast<int>(peak_) : 1; }
    std::time_t FirstFrameTime() const { return firstTime_; }
    std::time_t LastFrameTime() const { return prevTime_; }
    // Offset just after the last record the index holds.
    int64_t IndexedEnd() const { return indexEnd_; }
    // The index met a record that breaks the largeFrames rule and stopped there.
    bool IndexStoppedAtCorruption() const { return indexCorrupt_; }
    int EventInterval() const { return eventInterval_; }

    // Reads the record at `offset` without moving the current position: its fixed part
    // always, its data into the frame buffer when `withData`. End for a short read, a time
    // of 0 or a length beyond the end of the file; Corrupt for a frame above 65534 bytes
    // when largeFrames is 0.
    ReadStatus ReadRecord(int64_t offset, Mv2RecordInfo& info, bool withData);
    // The data read by the last ReadRecord with data.
    std::span<const uint8_t> RecordData(const Mv2RecordInfo& info) const {
        return {frame_.data(), info.length};
    }

private:
    void ResetState();
    void ExtendIndex();
    void ReportCorruption();
    // Reads the record at nextPos_ and makes it the current one.
    bool StepForward();

    UserPrompt* prompt_;
    const SettingsStore* settings_;
    std::function<void(const QString&)> progress_;

    FileHandle file_;
    Mv2Header header_;
    std::time_t baseTime_ = 0;
    int64_t firstRecord_ = 0;
    int eventInterval_ = 120;

    std::vector<uint8_t> frame_;
    Mv2RecordInfo current_;
    bool hasCurrent_ = false;
    int64_t nextPos_ = 0;

    std::vector<int64_t> keys_;
    std::vector<int64_t> events_;
    int64_t framesSinceKey_ = 0;
    int64_t framesSinceEvent_ = 0;

    // Index state, kept so that the index can be extended when the file grows.
    int64_t indexEnd_ = 0;
    bool indexCorrupt_ = false;
    int64_t frameCount_ = 0;
    int64_t runLength_ = 1;
    int64_t peak_ = 0;
    std::time_t prevDistinct_ = 0;
    std::time_t prevTime_ = 0;
    std::time_t firstTime_ = 0;

    bool atEnd_ = false;
    bool paused_ = true;
    bool reverse_ = false;
    bool error_ = false;
    bool corruptionShown_ = false;
};

}  // namespace korvex
