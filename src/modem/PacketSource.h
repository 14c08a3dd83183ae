#pragma once

#include "modem/CommPacket.h"

#include <cstddef>
#include <cstdint>

namespace korvex {

// Hands out packets one at a time. `GetPacket` returns a packet whose `IsNone()` is true
// when it has none; every packet handed out is given back with `ReleasePacket`.
class CPacketSource {
public:
    virtual ~CPacketSource() = default;
    virtual int MaxPacketSize() const = 0;
    virtual CommPacket GetPacket(size_t maxLength, uint8_t* buffer) = 0;
    virtual void ReleasePacket(const CommPacket& packet) = 0;
};

}  // namespace korvex
