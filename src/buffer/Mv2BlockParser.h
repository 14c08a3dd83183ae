#pragma once

#include "buffer/Mv2Header.h"

#include <cstdint>
#include <ctime>
#include <span>

namespace korvex {

class UserPrompt;

// Parses MV2 header and record blocks held in memory, as they arrive over the modem link:
// one header block, then one block per frame record with exactly the file layout.
class Mv2BlockParser {
public:
    explicit Mv2BlockParser(UserPrompt* prompt = nullptr) : prompt_(prompt) {}

    // Takes the stream's header. A wrong magic, a format length below 40 or a block shorter
    // than its fixed part plus the format length fail without a message.
    bool ParseHeaderBlock(std::span<const uint8_t> block);

    // Takes one frame record. Fails for a block too short to hold a record, a time of 0,
    // a frame length that isn't the block length minus 8, or (message 915) a frame above
    // 65534 bytes when the header's largeFrames is 0. FrameData() then points into `block`.
    bool ParseRecordBlock(std::span<const uint8_t> block);

    bool HasHeader() const { return hasHeader_; }
    const Mv2Header& Header() const { return header_; }
    std::time_t BaseTime() const { return baseTime_; }

    std::time_t FrameTime() const { return frameTime_; }
    bool IsKeyFrame() const { return keyFrame_; }
    // The data of the last record parsed; valid while its block lives.
    std::span<const uint8_t> FrameData() const { return frameData_; }

private:
    UserPrompt* prompt_;
    Mv2Header header_;
    bool hasHeader_ = false;
    std::time_t baseTime_ = 0;
    std::time_t frameTime_ = 0;
    bool keyFrame_ = false;
    std::span<const uint8_t> frameData_;
};

}  // namespace korvex
