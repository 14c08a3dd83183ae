#pragma once

#include "modem/CommPacket.h"
#include "modem/CommPort.h"
#include "modem/ModemLog.h"

#include <array>
#include <cstdint>

namespace korvex {

enum ReceiveState : int {
    STATE_ReadData = 0,     // a header was accepted; waiting for the rest of its packet
    STATE_FindData = 1,     // searching the stream for a header
    STATE_PacketReady = 2,  // a complete packet with a good CRC waits to be taken
    STATE_PacketTaken = 3,  // the waiting packet was copied out; removed on the next step
};

// Finds, checks and hands out packets in the byte stream of a call. The stream may start in
// the middle of a packet, carry noise, torn or corrupted packets and the station's own
// echoed packets; all of them are skipped.
class PacketReceiver {
public:
    // Steps in STATE_ReadData without a new byte after which the accepted header is taken
    // for a damaged one (a flipped length bit would otherwise wait for bytes that only come
    // with later traffic); at the 100 ms poll, two seconds.
    static constexpr int kReadStallSteps = 20;

    PacketReceiver(uint16_t linkId, ModemLog& log);

    // Back to an empty buffer, searching.
    void Reset();
    // One receive step: reads what the port holds and moves the state machine on.
    void Step(CommPort& port);
    // Copies the waiting packet into `buffer` (at most `maxLength` bytes), then runs one step
    // so that a further buffered packet is found at once. The empty packet when none waits
    // or it does not fit.
    CommPacket GetPacket(size_t maxLength, uint8_t* buffer, CommPort& port);

    ReceiveState State() const { return state_; }
    size_t Buffered() const { return count_; }
    uint64_t BytesRead() const { return bytesRead_; }
    void ClearTotals() { bytesRead_ = 0; }

private:
    void FindHeader();
    void CheckPacket();
    void DropFront(size_t bytes);
    uint16_t PayloadLength() const;

    std::array<uint8_t, kReceiveBufferBytes> buffer_{};
    uint16_t count_ = 0;
    ReceiveState state_ = STATE_FindData;
    uint16_t linkId_;
    ModemLog& log_;
    uint64_t bytesRead_ = 0;
    int idleReadSteps_ = 0;
};

}  // namespace korvex
