#include "buffer/Mv2BlockParser.h"

#include "common/UserPrompt.h"
#include "common/strings/BufferStrings.h"

namespace korvex {

bool Mv2BlockParser::ParseHeaderBlock(std::span<const uint8_t> block) {
    Mv2Header parsed;
    if (Mv2Header::Parse(block, parsed) != Mv2Header::ParseStatus::Ok) {
        return false;
    }
    header_ = std::move(parsed);
    baseTime_ = header_.BaseTime();
    hasHeader_ = true;
    frameData_ = {};
    return true;
}

bool Mv2BlockParser::ParseRecordBlock(std::span<const uint8_t> block) {
    if (!hasHeader_ || block.size() < kMv2RecordHeaderBytes) {
        return false;
    }
    const auto record = Mv2RecordHeader::Decode(block.first<kMv2RecordHeaderBytes>());
    if (record.timeOffset == 0) {
        return false;
    }
    frameTime_ = baseTime_ + static_cast<std::time_t>(record.timeOffset);
    keyFrame_ = record.keyFrame;
    if (!header_.AcceptsLength(record.length)) {
        if (prompt_) {
            prompt_->Message(Str(IDS_MV2_CORRUPTED), PromptIcon::Warning);
        }
        return false;
    }
    if (record.length != block.size() - kMv2RecordHeaderBytes) {
        return false;
    }
    frameData_ = block.subspan(kMv2RecordHeaderBytes);
    return true;
}

}  // namespace korvex
