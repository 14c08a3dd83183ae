#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace korvex {

// A buffer the capture device filled, as one dequeue reported it.
struct DequeuedBuffer {
    int index = 0;
    size_t bytesUsed = 0;
    bool error = false;
};

// Decides which of a streaming device's filled buffers a grab hands out: the newest good
// one. All older ones, damaged ones and the one handed out before go back to the device, so
// the picture is never late and the device never runs out of buffers.
class NewestBufferKeeper {
public:
    // Takes the buffers one grab dequeued, oldest first. Returns the indices to queue again;
    // `Held()` is then the buffer to hand out, if any good one came.
    std::vector<int> Take(std::span<const DequeuedBuffer> dequeued);
    const std::optional<DequeuedBuffer>& Held() const { return held_; }
    // Forgets the held buffer (streaming stopped: every buffer is the device's again).
    void Reset() { held_.reset(); }

private:
    std::optional<DequeuedBuffer> held_;
};

}  // namespace korvex
