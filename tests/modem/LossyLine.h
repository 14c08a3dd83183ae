#pragma once

#include "common/Clock.h"
#include "modem/CommPort.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <random>
#include <vector>

namespace korvex::test {

// What can go wrong on a simulated line. Rates are per write call.
struct LineFaults {
    double lossRate = 0;       // the written bytes vanish
    double corruptRate = 0;    // one byte of them is flipped
    double duplicateRate = 0;  // they arrive twice
    int64_t oneWayDelayMs = 0;
    // Bytes per second the line carries (0: no limit). Writes are taken into a transmit
    // buffer of `bufferBytes`, which drains at that rate; a full buffer takes part only.
    double bytesPerSecond = 0;
    size_t bufferBytes = 1024;
    // At most this many bytes taken per write call.
    size_t acceptLimit = SIZE_MAX;
    uint32_t seed = 1;
};

// An in-memory, two-ended byte line on a ManualClock that can lose, corrupt, duplicate,
// delay and partly accept bytes.
class LossyLine {
public:
    class End : public CommPort {
    public:
        End(LossyLine& line, int side) : line_(line), side_(side) {}
        size_t WriteComm(std::span<const uint8_t> bytes) override {
            return open_ ? line_.Write(side_, bytes) : 0;
        }
        size_t ReadComm(std::span<uint8_t> buffer) override {
            return open_ ? line_.Read(side_, buffer) : 0;
        }
        bool IsOpen() const override { return open_; }
        bool LineLost() const override { return line_.cut_; }
        void Close() override { open_ = false; }

    private:
        LossyLine& line_;
        int side_;
        bool open_ = true;
    };

    LossyLine(const Clock& clock, LineFaults faults)
        : clock_(clock), faults_(faults), random_(faults.seed), a_(*this, 0), b_(*this, 1) {}

    End& A() { return a_; }
    End& B() { return b_; }
    // The line disappears: both ends see it lost.
    void Cut() { cut_ = true; }
    // Writes from `side` for which the filter answers true vanish (after being taken).
    void SetDropFilter(std::function<bool(int side, std::span<const uint8_t>)> filter) {
        dropFilter_ = std::move(filter);
    }

private:
    struct Chunk {
        int64_t deliverAtMs;
        std::vector<uint8_t> bytes;
    };
    struct Direction {
        std::deque<Chunk> chunks;
        double serialFreeAtMs = 0;
    };

    static bool IsHeader(const std::vector<uint8_t>& bytes) {
        return bytes.size() == 16 && bytes[0] == 0xFE && bytes[1] == 0xED && bytes[2] == 0xDC &&
               bytes[3] == 0xCA;
    }

    bool Chance(double rate) {
        return rate > 0 && std::uniform_real_distribution<double>(0, 1)(random_) < rate;
    }

    size_t Write(int side, std::span<const uint8_t> bytes) {
        if (cut_) {
            return 0;
        }
        Direction& d = dir_[side];
        const double now = double(clock_.NowMs());
        size_t take = std::min(bytes.size(), faults_.acceptLimit);
        double deliverAt = now;
        if (faults_.bytesPerSecond > 0) {
            const double busyMs = std::max(0.0, d.serialFreeAtMs - now);
            const double buffered = busyMs * faults_.bytesPerSecond / 1000.0;
            const double room = std::max(0.0, double(faults_.bufferBytes) - buffered);
            take = std::min(take, size_t(room));
            d.serialFreeAtMs =
                std::max(now, d.serialFreeAtMs) + double(take) * 1000.0 / faults_.bytesPerSecond;
            deliverAt = d.serialFreeAtMs;
        }
        if (take == 0) {
            return 0;
        }
        Chunk chunk{int64_t(deliverAt) + faults_.oneWayDelayMs,
                    std::vector<uint8_t>(bytes.begin(), bytes.begin() + take)};
        if (Chance(faults_.lossRate) || (dropFilter_ && dropFilter_(side, chunk.bytes))) {
            return take;
        }
        if (Chance(faults_.corruptRate)) {
            size_t at = std::uniform_int_distribution<size_t>(0, take - 1)(random_);
            // The part tag of a header is not covered by the CRC, so no receiver could tell
            // a flip there; the simulated noise spares those four bytes.
            if (IsHeader(chunk.bytes) && at >= 12) {
                at -= 4;
            }
            chunk.bytes[at] ^= uint8_t(1 + std::uniform_int_distribution<int>(0, 254)(random_));
        }
        if (Chance(faults_.duplicateRate)) {
            d.chunks.push_back(chunk);
        }
        d.chunks.push_back(std::move(chunk));
        return take;
    }

    size_t Read(int side, std::span<uint8_t> buffer) {
        Direction& d = dir_[1 - side];
        size_t got = 0;
        const int64_t now = clock_.NowMs();
        while (got < buffer.size() && !d.chunks.empty() && d.chunks.front().deliverAtMs <= now) {
            Chunk& chunk = d.chunks.front();
            const size_t n = std::min(buffer.size() - got, chunk.bytes.size());
            std::copy_n(chunk.bytes.begin(), n, buffer.begin() + got);
            got += n;
            chunk.bytes.erase(chunk.bytes.begin(), chunk.bytes.begin() + n);
            if (chunk.bytes.empty()) {
                d.chunks.pop_front();
            }
        }
        return got;
    }

    const Clock& clock_;
    LineFaults faults_;
    std::mt19937 random_;
    Direction dir_[2];
    bool cut_ = false;
    std::function<bool(int, std::span<const uint8_t>)> dropFilter_;
    End a_;
    End b_;
};

}  // namespace korvex::test
