#include "buffer/Mv2Reader.h"

#include "common/SystemError.h"
#include "common/UserPrompt.h"
#include "common/strings/BufferStrings.h"

#include <fcntl.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace korvex {

namespace {

// The frame buffer never starts larger than the largest record the format allows.
constexpr int64_t kFrameSlack = 1024;
constexpr int64_t kMaxInitialFrameBuffer = int64_t{kMv2LengthMask} + kFrameSlack;

int64_t InitialFrameBytes(const Mv2Header& header, int64_t fileSize) {
    // A hostile header may claim any size: cut each side before multiplying.
    constexpr int64_t kMaxSide = 1 << 16;
    const BitmapInfoHeader& info = header.Format().Header();
    int64_t bytes = std::min<int64_t>(std::llabs(int64_t{info.biWidth}), kMaxSide) *
                    std::min<int64_t>(std::llabs(int64_t{info.biHeight}), kMaxSide);
    if (header.FourCC() == kFourCCDib) {
        bytes = bytes * info.biBitCount / 8;
    }
    bytes = std::min(bytes, std::max<int64_t>(fileSize, 0));
    return std::min(bytes + kFrameSlack, kMaxInitialFrameBuffer);
}

}  // namespace

CMv2Reader::CMv2Reader(UserPrompt* prompt, const SettingsStore* settings)
    : prompt_(prompt), settings_(settings) {}

void CMv2Reader::ResetState() {
    header_ = Mv2Header();
    baseTime_ = 0;
    firstRecord_ = 0;
    current_ = {};
    hasCurrent_ = false;
    nextPos_ = 0;
    keys_.clear();
    events_.clear();
    keys_.reserve(200);
    events_.reserve(50);
    framesSinceKey_ = 0;
    framesSinceEvent_ = 0;
    indexEnd_ = 0;
    indexCorrupt_ = false;
    frameCount_ = 0;
    runLength_ = 1;
    peak_ = 0;
    prevDistinct_ = 0;
    prevTime_ = 0;
    firstTime_ = 0;
    atEnd_ = false;
    paused_ = true;
    reverse_ = false;
    error_ = false;
    corruptionShown_ = false;
}

bool CMv2Reader::Open(const QString& path) {
    Close();
    ResetState();
    eventInterval_ = settings_ ? settings_->Read(settings::kEventInterval)
                               : settings::kEventInterval.defaultValue;

    file_ = FileHandle::Open(path, O_RDONLY);
    if (!file_.IsOpen()) {
        const int code = errno;
        if (prompt_) {
            prompt_->Message(Str(IDS_MV2_OPEN_READ_FAILED), PromptIcon::Error);
            if (code != 0) {
                prompt_->Message(SystemErrorText(code), PromptIcon::Error);
            }
        }
        return false;
    }

    const int64_t fileSize = file_.Size();
    const auto refuse = [this] {
        if (prompt_) {
            prompt_->Message(Str(IDS_MV2_NOT_VALID), PromptIcon::Error);
        }
        file_.Close();
        return false;
    };
    std::vector<uint8_t> head(Mv2Header::FixedBytes(kMv2Magic));
    const int64_t got = file_.ReadAt(0, head);
    if (got < 4) {
        return refuse();
    }
    const uint32_t magic = head[0] | head[1] << 8 | head[2] << 16 | uint32_t{head[3]} << 24;
    if (magic != kMv2Magic && magic != kMv2MagicOld) {
        return refuse();
    }
    const auto fixed = static_cast<int64_t>(Mv2Header::FixedBytes(magic));
    if (got < fixed) {
        return refuse();
    }
    // The format length is trusted only as far as the file reaches.
    const int64_t formatBytes = Mv2Header::FormatLengthField(head, magic);
    if (formatBytes < static_cast<int64_t>(kMv2MinFormatBytes) || formatBytes > fileSize - fixed) {
        return refuse();
    }
    head.resize(static_cast<size_t>(fixed + formatBytes));
    if (file_.ReadAt(0, head) != static_cast<int64_t>(head.size()) ||
        Mv2Header::Parse(head, header_) != Mv2Header::ParseStatus::Ok) {
        return refuse();
    }
    baseTime_ = header_.BaseTime();
    firstRecord_ = static_cast<int64_t>(header_.Size());
    indexEnd_ = firstRecord_;
    frame_.assign(static_cast<size_t>(InitialFrameBytes(header_, fileSize)), 0);

    ExtendIndex();
    if (progress_) {
        progress_(
            QString::asprintf(FindString(IDS_MV2_READING_FRAME), static_cast<long>(frameCount_)));
    }
    Rewind();
    return true;
}

void CMv2Reader::Close() {
    file_.Close();
    frame_.clear();
    frame_.shrink_to_fit();
    header_ = Mv2Header();
    hasCurrent_ = false;
}

CMv2Reader::ReadStatus CMv2Reader::ReadRecord(int64_t offset, Mv2RecordInfo& info, bool withData) {
    std::array<uint8_t, kMv2RecordHeaderBytes> raw{};
    if (file_.ReadAt(offset, raw) != static_cast<int64_t>(raw.size())) {
        return ReadStatus::End;
    }
    const auto record = Mv2RecordHeader::Decode(raw);
    if (record.timeOffset == 0) {
        return ReadStatus::End;
    }
    if (!header_.AcceptsLength(record.length)) {
        return ReadStatus::Corrupt;
    }
    Mv2RecordInfo found{offset, baseTime_ + static_cast<std::time_t>(record.timeOffset),
                        record.length, record.keyFrame};
    // A length that reaches past the end of the file is a record still being written or
    // torn by a crash: the data ends before it.
    if (found.NextOffset() > file_.Size()) {
        return ReadStatus::End;
    }
    if (withData) {
        if (int64_t{record.length} + kFrameSlack > static_cast<int64_t>(frame_.size())) {
            frame_.resize(record.length + kFrameSlack);
        }
        const std::span<uint8_t> data(frame_.data(), record.length);
        if (file_.ReadAt(offset + static_cast<int64_t>(kMv2RecordHeaderBytes), data) !=
            static_cast<int64_t>(record.length)) {
            return ReadStatus::End;
        }
    }
    info = found;
    return ReadStatus::Ok;
}

void CMv2Reader::ReportCorruption() {
    error_ = true;
    if (prompt_ && !corruptionShown_) {
        prompt_->Message(Str(IDS_MV2_CORRUPTED), PromptIcon::Warning);
    }
    corruptionShown_ = true;
}

void CMv2Reader::ExtendIndex() {
    if (indexCorrupt_) {
        return;
    }
    int64_t pos = indexEnd_;
    for (;;) {
        Mv2RecordInfo record;
        const ReadStatus status = ReadRecord(pos, record, false);
        if (status == ReadStatus::Corrupt) {
            indexCorrupt_ = true;
            ReportCorruption();
        }
        if (status != ReadStatus::Ok) {
            break;
        }
        if (++frameCount_ == 1) {
            firstTime_ = record.time;
        }
        if (record.time == prevDistinct_) {
            ++runLength_;
        } else {
            peak_ = std::max(peak_, runLength_);
            runLength_ = 1;
            prevDistinct_ = record.time;
        }
        if (record.keyFrame) {
            keys_.push_back(record.offset);
            if (record.time - prevTime_ > eventInterval_) {
                events_.push_back(record.offset);
            }
        }
        prevTime_ = record.time;
        if (frameCount_ % 50 == 0 && progress_) {
            progress_(QString::asprintf(FindString(IDS_MV2_READING_FRAME),
                                        static_cast<long>(frameCount_)));
        }
        pos = record.NextOffset();
    }
    indexEnd_ = pos;
}

bool CMv2Reader::StepForward() {
    Mv2RecordInfo record;
    const ReadStatus status = ReadRecord(nextPos_, record, true);
    if (status != ReadStatus::Ok) {
        if (status == ReadStatus::Corrupt) {
            ReportCorruption();
        }
        atEnd_ = true;
        paused_ = true;
        return false;
    }
    current_ = record;
    hasCurrent_ = true;
    nextPos_ = record.NextOffset();
    atEnd_ = false;
    if (record.offset >= indexEnd_) {
        ExtendIndex();
    }
    ++framesSinceKey_;
    ++framesSinceEvent_;
    if (record.keyFrame) {
        framesSinceKey_ = 0;
    }
    if (std::binary_search(events_.begin(), events_.end(), record.offset)) {
        framesSinceEvent_ = 0;
    }
    return true;
}

bool CMv2Reader::Rewind() {
    if (!IsOpen()) {
        return false;
    }
    nextPos_ = firstRecord_;
    hasCurrent_ = false;
    atEnd_ = false;
    framesSinceKey_ = 0;
    framesSinceEvent_ = 0;
    return StepForward();
}

bool CMv2Reader::NextFrame() {
    return IsOpen() && StepForward();
}

bool CMv2Reader::PreviousFrame() {
    if (!IsOpen() || !hasCurrent_ || current_.offset == firstRecord_) {
        return false;
    }
    // Decode forward from the latest key frame before the current record (or from the
    // first record when no key frame precedes it) up to the record before the current one.
    const int64_t target = current_.offset;
    const auto key = std::lower_bound(keys_.begin(), keys_.end(), target);
    nextPos_ = key == keys_.begin() ? firstRecord_ : *(key - 1);
    atEnd_ = false;
    while (StepForward()) {
        if (nextPos_ == target) {
            return true;
        }
        if (nextPos_ > target) {
            break;
        }
    }
    paused_ = true;
    return false;
}

bool CMv2Reader::NextEvent() {
    if (!IsOpen()) {
        return false;
    }
    const auto next = hasCurrent_
                          ? std::upper_bound(events_.begin(), events_.end(), current_.offset)
                          : events_.begin();
    if (next == events_.end()) {
        return false;
    }
    nextPos_ = *next;
    return StepForward();
}

bool CMv2Reader::PreviousEvent() {
    if (!IsOpen() || !hasCurrent_) {
        return false;
    }
    auto event = std::upper_bound(events_.begin(), events_.end(), current_.offset);
    if (event == events_.begin()) {
        return false;
    }
    --event;
    // Pressed again right at the start of an event, the command goes one event further back.
    if (framesSinceEvent_ < 3 && event != events_.begin()) {
        --event;
    }
    nextPos_ = *event;
    return StepForward();
}

}  // namespace korvex
