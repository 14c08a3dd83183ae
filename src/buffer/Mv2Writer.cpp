#include "buffer/Mv2Writer.h"

#include "buffer/FileHandle.h"
#include "common/Paths.h"
#include "common/SystemError.h"
#include "common/UserPrompt.h"
#include "common/strings/BufferStrings.h"

#include <fcntl.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace korvex {

CMv2Writer::CMv2Writer(const Clock& clock, UserPrompt* prompt)
    : clock_(clock), prompt_(prompt), startTime_(clock.WallSeconds() - 100) {}

bool CMv2Writer::ReportFailure(int messageId) {
    const int code = errno;
    if (directory_.isEmpty()) {
        return true;
    }
    const QString systemText = code != 0 ? SystemErrorText(code) : QString();
    if (failure_) {
        failure_(messageId, Str(IDS_MV2_DEVICE) + directory_ + QStringLiteral(" - ") + systemText +
                                QStringLiteral(" ") + Str(messageId));
    }
    error_ = true;
    return false;
}

bool CMv2Writer::CreateBufferFile(const QString& name, uint32_t fourcc, const DibFormat& format) {
    if (directory_.isEmpty()) {
        return true;
    }
    path_ = JoinPath(directory_, name);
    fourcc_ = fourcc;
    format_ = format;
    error_ = false;
    return CreateFile();
}

bool CMv2Writer::Recreate() {
    if (directory_.isEmpty()) {
        return true;
    }
    error_ = false;
    return CreateFile();
}

bool CMv2Writer::CreateFile() {
    if (!doRecording_) {
        return true;
    }
    FileHandle file = FileHandle::Open(path_, O_WRONLY | O_CREAT | O_TRUNC);
    if (!file.IsOpen()) {
        return ReportFailure(IDS_MV2_OPEN_WRITE_FAILED);
    }
    const std::vector<uint8_t> header = Mv2Header::Make(fourcc_, format_, startTime_).Serialize();
    if (!file.WriteAt(0, header)) {
        return ReportFailure(IDS_MV2_OPEN_WRITE_FAILED);
    }
    writePos_ = static_cast<int64_t>(header.size());
    commitPos_ = writePos_;
    if (!file.Close()) {
        return ReportFailure(IDS_MV2_OPEN_WRITE_FAILED);
    }
    return true;
}

bool CMv2Writer::AppendRecord(std::span<const uint8_t> data, bool keyFrame) {
    if (directory_.isEmpty()) {
        return true;
    }
    if (error_) {
        return false;
    }
    if (!doRecording_) {
        return true;
    }
    // After a reset the file is no longer ours to write: a record at offset 0 would
    // overwrite its header.
    if (writePos_ == 0) {
        return false;
    }
    FileHandle file = FileHandle::Open(path_, O_WRONLY);
    if (!file.IsOpen()) {
        return ReportFailure(IDS_MV2_OPEN_WRITE_FAILED);
    }
    // A stored time of 0 would end the data, so a clock set back still stores 1.
    const std::time_t offset = std::max<std::time_t>(clock_.WallSeconds() - startTime_, 1);
    const auto length = static_cast<uint32_t>(std::min<size_t>(data.size(), kMv2LengthMask));
    const Mv2RecordHeader header{static_cast<uint32_t>(offset), length, keyFrame};
    const auto fixed = header.Encode();
    record_.assign(fixed.begin(), fixed.end());
    record_.insert(record_.end(), data.begin(), data.begin() + length);
    // Cut first, then write the record in one piece: a crash leaves the file whole up to
    // the previous record, or with this one complete.
    if (!file.Truncate(writePos_) || !file.WriteAt(writePos_, record_) ||
        (writeDirect_ && !file.DataSync())) {
        return ReportFailure(IDS_MV2_OPEN_WRITE_FAILED);
    }
    writePos_ += static_cast<int64_t>(record_.size());
    if (!file.Close()) {
        return ReportFailure(IDS_MV2_OPEN_WRITE_FAILED);
    }
    if (limitOn_ && writePos_ / 1024 > limitKb_ && prompt_) {
        prompt_->Message(Str(IDS_MV2_LIMIT_REACHED), PromptIcon::Information);
    }
    return true;
}

bool CMv2Writer::Reopen(const QString& name) {
    if (directory_.isEmpty()) {
        return true;
    }
    path_ = JoinPath(directory_, name);
    FileHandle file = FileHandle::Open(path_, O_RDONLY);
    if (!file.IsOpen()) {
        return ReportFailure(IDS_MV2_OPEN_READ_FAILED);
    }
    const int64_t fileSize = file.Size();
    const auto refuse = [this] {
        if (prompt_) {
            prompt_->Message(Str(IDS_MV2_NOT_VALID), PromptIcon::Error);
        }
        return false;
    };
    std::vector<uint8_t> head(Mv2Header::FixedBytes(kMv2Magic));
    if (file.ReadAt(0, head) != static_cast<int64_t>(head.size())) {
        return refuse();
    }
    const uint32_t magic = head[0] | head[1] << 8 | head[2] << 16 | uint32_t{head[3]} << 24;
    if (magic != kMv2Magic) {
        return refuse();
    }
    const int64_t formatBytes = Mv2Header::FormatLengthField(head, magic);
    if (formatBytes < static_cast<int64_t>(kMv2MinFormatBytes) ||
        formatBytes > fileSize - static_cast<int64_t>(head.size())) {
        return refuse();
    }
    head.resize(head.size() + static_cast<size_t>(formatBytes));
    Mv2Header header;
    if (file.ReadAt(0, head) != static_cast<int64_t>(head.size()) ||
        Mv2Header::Parse(head, header) != Mv2Header::ParseStatus::Ok) {
        return refuse();
    }

    // Find the end of the last whole record.
    auto pos = static_cast<int64_t>(header.Size());
    for (;;) {
        std::array<uint8_t, kMv2RecordHeaderBytes> raw{};
        if (file.ReadAt(pos, raw) != static_cast<int64_t>(raw.size())) {
            break;
        }
        const auto record = Mv2RecordHeader::Decode(raw);
        const int64_t next = pos + static_cast<int64_t>(raw.size()) + record.length;
        if (record.timeOffset == 0 || !header.AcceptsLength(record.length) || next > fileSize) {
            break;
        }
        pos = next;
    }
    file.Close();
    if (pos < fileSize) {
        FileHandle writable = FileHandle::Open(path_, O_WRONLY);
        if (!writable.IsOpen() || !writable.Truncate(pos) || !writable.Close()) {
            return ReportFailure(IDS_MV2_OPEN_WRITE_FAILED);
        }
    }

    startTime_ = header.BaseTime();
    fourcc_ = header.FourCC();
    format_ = header.Format();
    writePos_ = pos;
    commitPos_ = pos;
    error_ = false;
    return true;
}

void CMv2Writer::Reset() {
    writePos_ = 0;
    commitPos_ = 0;
}

bool CMv2Writer::BelowLimit() const {
    return directory_.isEmpty() || !limitOn_ || writePos_ / 1024 <= limitKb_;
}

}  // namespace korvex
