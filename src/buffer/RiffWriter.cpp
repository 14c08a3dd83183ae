#include "buffer/RiffWriter.h"

#include <array>

namespace korvex {

namespace {

std::array<uint8_t, 4> Le32(uint32_t v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

}  // namespace

bool RiffWriter::Put(std::span<const uint8_t> bytes) {
    if (pos_ + static_cast<int64_t>(bytes.size()) > maxBytes_) {
        limitReached_ = true;
        return false;
    }
    if (!file_.WriteAt(pos_, bytes)) {
        return false;
    }
    pos_ += static_cast<int64_t>(bytes.size());
    return true;
}

bool RiffWriter::BeginChunk(uint32_t id) {
    open_.push_back(pos_);
    return Put(Le32(id)) && Put(Le32(0));
}

bool RiffWriter::BeginList(uint32_t id, uint32_t type) {
    return BeginChunk(id) && WriteU32(type);
}

bool RiffWriter::Write(std::span<const uint8_t> bytes) {
    return Put(bytes);
}

bool RiffWriter::WriteU32(uint32_t value) {
    return Put(Le32(value));
}

bool RiffWriter::End() {
    if (open_.empty()) {
        return false;
    }
    const int64_t start = open_.back();
    open_.pop_back();
    const int64_t size = pos_ - start - 8;
    if (!file_.WriteAt(start + 4, Le32(static_cast<uint32_t>(size)))) {
        return false;
    }
    if (size % 2 != 0) {
        const std::array<uint8_t, 1> pad{0};
        return Put(pad);
    }
    return true;
}

}  // namespace korvex
