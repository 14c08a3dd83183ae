#include "video/V4l2Handles.h"

#include <libv4l2.h>

namespace korvex {

V4l2Fd::~V4l2Fd() {
    if (fd_ >= 0) {
        v4l2_close(fd_);
    }
}

V4l2Fd& V4l2Fd::operator=(V4l2Fd&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            v4l2_close(fd_);
        }
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

MappedBuffer::~MappedBuffer() {
    if (address_) {
        v4l2_munmap(address_, length_);
    }
}

}  // namespace korvex
