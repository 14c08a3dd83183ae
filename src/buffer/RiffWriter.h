#pragma once

#include "buffer/FileHandle.h"

#include <cstdint>
#include <span>
#include <vector>

namespace korvex {

// Writes RIFF chunks into a file: a chunk is opened with its id (and for "RIFF" and "LIST"
// its form type), its data written, and closed, which fills in its size and pads it to an
// even length. Sizes are 32-bit, so the file may not grow past `maxBytes` (at most 4 GB);
// a write that would pass it fails and LimitReached() tells why.
class RiffWriter {
public:
    static constexpr int64_t kMaxRiffBytes = 0xFFFFFFFFll;

    explicit RiffWriter(FileHandle& file, int64_t maxBytes = kMaxRiffBytes)
        : file_(file), maxBytes_(maxBytes < kMaxRiffBytes ? maxBytes : kMaxRiffBytes) {}

    // Opens a "RIFF" or "LIST" chunk of form `type`.
    bool BeginList(uint32_t id, uint32_t type);
    bool BeginChunk(uint32_t id);
    bool Write(std::span<const uint8_t> bytes);
    bool WriteU32(uint32_t value);
    // Closes the innermost open chunk.
    bool End();

    int64_t Position() const { return pos_; }
    bool LimitReached() const { return limitReached_; }

private:
    bool Put(std::span<const uint8_t> bytes);

    FileHandle& file_;
    int64_t maxBytes_;
    int64_t pos_ = 0;
    std::vector<int64_t> open_;
    bool limitReached_ = false;
};

}  // namespace korvex
