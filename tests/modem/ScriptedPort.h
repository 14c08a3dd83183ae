#pragma once

#include "modem/CommPort.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <vector>

namespace korvex::test {

// A port whose reads hand out queued chunks one per read, and whose writes are collected
// (taking at most `writeLimits` bytes per write, in order, while any are left).
class ScriptedPort : public CommPort {
public:
    void QueueRead(std::vector<uint8_t> chunk) { reads_.push_back(std::move(chunk)); }
    void LimitWrites(std::vector<size_t> limits) {
        writeLimits_.assign(limits.begin(), limits.end());
    }
    std::vector<uint8_t>& Written() { return written_; }

    size_t WriteComm(std::span<const uint8_t> bytes) override {
        size_t take = bytes.size();
        if (!writeLimits_.empty()) {
            take = std::min(take, writeLimits_.front());
            writeLimits_.pop_front();
        }
        written_.insert(written_.end(), bytes.begin(), bytes.begin() + take);
        return take;
    }
    size_t ReadComm(std::span<uint8_t> buffer) override {
        if (reads_.empty()) {
            return 0;
        }
        std::vector<uint8_t>& chunk = reads_.front();
        const size_t n = std::min(buffer.size(), chunk.size());
        std::copy_n(chunk.begin(), n, buffer.begin());
        chunk.erase(chunk.begin(), chunk.begin() + n);
        if (chunk.empty()) {
            reads_.pop_front();
        }
        return n;
    }
    bool IsOpen() const override { return true; }
    bool LineLost() const override { return false; }
    void Close() override {}

private:
    std::deque<std::vector<uint8_t>> reads_;
    std::deque<size_t> writeLimits_;
    std::vector<uint8_t> written_;
};

}  // namespace korvex::test
