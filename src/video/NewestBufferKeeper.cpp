#include "video/NewestBufferKeeper.h"

namespace korvex {

std::vector<int> NewestBufferKeeper::Take(std::span<const DequeuedBuffer> dequeued) {
    std::vector<int> requeue;
    std::optional<DequeuedBuffer> newest;
    for (const DequeuedBuffer& buffer : dequeued) {
        if (buffer.error || buffer.bytesUsed == 0) {
            requeue.push_back(buffer.index);
            continue;
        }
        if (newest) {
            requeue.push_back(newest->index);
        }
        newest = buffer;
    }
    if (!newest) {
        // Nothing new: the frame handed out last stays valid and stays ours.
        return requeue;
    }
    if (held_) {
        requeue.push_back(held_->index);
    }
    held_ = newest;
    return requeue;
}

}  // namespace korvex
