#pragma once

#include "modem/PacketSource.h"

namespace korvex {

// Consumes packets: told that a source has some, it pulls them.
class CPacketSink {
public:
    virtual ~CPacketSink() = default;
    virtual int MaxPacketSize() const = 0;
    virtual int PacketsAvailable(CPacketSource& source) = 0;
};

}  // namespace korvex
