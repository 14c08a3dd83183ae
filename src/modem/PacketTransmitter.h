#pragma once

#include "modem/CommPacket.h"
#include "modem/CommPort.h"
#include "modem/PacketSource.h"

#include <cstdint>
#include <vector>

namespace korvex {

// Writes packets to the port. When the port takes only part of a packet, the unwritten
// rest is staged and written by later calls before anything else goes out.
class PacketTransmitter {
public:
    explicit PacketTransmitter(uint16_t linkId);

    // Writes as much of `packet` as the port takes and records the progress in it. Returns
    // the payload bytes taken by this call.
    size_t WritePacket(CommPacket& packet, CommPort& port);
    // Takes packets from `source` (up to 512 payload bytes) and writes them. Does nothing
    // while a staged packet is unfinished.
    int Pump(CPacketSource& source, CommPort& port);
    // Goes on writing the staged packet.
    void ContinueStaged(CommPort& port);
    bool HasStaged() const { return hasStaged_; }
    void Reset() { hasStaged_ = false; }

    uint64_t BytesWritten() const { return bytesWritten_; }
    void ClearTotals() { bytesWritten_ = 0; }

private:
    uint16_t linkId_;
    std::vector<uint8_t> staging_;
    CommPacket staged_;
    bool hasStaged_ = false;
    uint64_t bytesWritten_ = 0;
};

}  // namespace korvex
