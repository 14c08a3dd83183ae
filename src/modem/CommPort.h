#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace korvex {

// The byte stream of a connected call. Reads and writes never wait: they move what the
// line takes or holds at this moment, possibly nothing.
class CommPort {
public:
    virtual ~CommPort() = default;
    virtual size_t WriteComm(std::span<const uint8_t> bytes) = 0;
    virtual size_t ReadComm(std::span<uint8_t> buffer) = 0;
    virtual bool IsOpen() const = 0;
    // True once the line has gone (hang-up, reset, closed by the far end).
    virtual bool LineLost() const = 0;
    virtual void Close() = 0;
};

}  // namespace korvex
