#pragma once

#include <cstddef>

namespace korvex {

// A file descriptor of a V4L2 device opened through libv4l2, closed once by its owner.
class V4l2Fd {
public:
    V4l2Fd() = default;
    explicit V4l2Fd(int fd) : fd_(fd) {}
    ~V4l2Fd();
    V4l2Fd(V4l2Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    V4l2Fd& operator=(V4l2Fd&& other) noexcept;
    V4l2Fd(const V4l2Fd&) = delete;
    V4l2Fd& operator=(const V4l2Fd&) = delete;

    int Get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// A device buffer mapped into memory through libv4l2, unmapped once by its owner.
class MappedBuffer {
public:
    MappedBuffer(void* address, size_t length) : address_(address), length_(length) {}
    ~MappedBuffer();
    MappedBuffer(MappedBuffer&& other) noexcept : address_(other.address_), length_(other.length_) {
        other.address_ = nullptr;
    }
    MappedBuffer& operator=(MappedBuffer&&) = delete;
    MappedBuffer(const MappedBuffer&) = delete;
    MappedBuffer& operator=(const MappedBuffer&) = delete;

    const unsigned char* Data() const { return static_cast<const unsigned char*>(address_); }
    size_t Length() const { return length_; }

private:
    void* address_;
    size_t length_;
};

}  // namespace korvex
