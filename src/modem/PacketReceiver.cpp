#include "modem/PacketReceiver.h"

#include "common/strings/ModemStrings.h"
#include "modem/PacketCrc.h"

#include <algorithm>
#include <cstring>

namespace korvex {

namespace {
uint16_t Le16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
}  // namespace

PacketReceiver::PacketReceiver(uint16_t linkId, ModemLog& log) : linkId_(linkId), log_(log) {}

void PacketReceiver::Reset() {
    count_ = 0;
    state_ = STATE_FindData;
    idleReadSteps_ = 0;
}

uint16_t PacketReceiver::PayloadLength() const {
    return Le16(&buffer_[4]);
}

void PacketReceiver::DropFront(size_t bytes) {
    bytes = std::min<size_t>(bytes, count_);
    std::memmove(buffer_.data(), buffer_.data() + bytes, count_ - bytes);
    count_ = uint16_t(count_ - bytes);
}

void PacketReceiver::Step(CommPort& port) {
    size_t got = 0;
    if (state_ == STATE_PacketTaken) {
        state_ = STATE_FindData;
        DropFront(kPacketHeaderBytes + PayloadLength());
    } else {
        const size_t room = std::min(kMaxReadPerStep, kReceiveBufferBytes - count_);
        if (room > 0) {
            got = std::min(room, port.ReadComm(std::span<uint8_t>(buffer_.data() + count_, room)));
            count_ = uint16_t(count_ + got);
            bytesRead_ += got;
        }
    }
    if (count_ < kPacketHeaderBytes) {
        return;
    }
    if (state_ == STATE_FindData) {
        FindHeader();
    }
    if (state_ == STATE_ReadData) {
        idleReadSteps_ = got > 0 ? 0 : idleReadSteps_ + 1;
        CheckPacket();
        if (state_ == STATE_ReadData && idleReadSteps_ >= kReadStallSteps) {
            DropFront(1);
            state_ = STATE_FindData;
        }
    }
    if (state_ != STATE_ReadData) {
        idleReadSteps_ = 0;
    }
}

void PacketReceiver::FindHeader() {
    // Only positions with a whole header behind them are looked at.
    const size_t last = count_ - kPacketHeaderBytes;
    for (size_t i = 0; i <= last; ++i) {
        const uint8_t* p = buffer_.data() + i;
        if (p[0] != 0xFE || Le32(p) != kPacketMagic) {
            continue;
        }
        if (Le16(p + 4) > kMaxReceivedPayload || Le16(p + 6) == linkId_) {
            continue;
        }
        DropFront(i);
        state_ = STATE_ReadData;
        return;
    }
    // The last 15 bytes may hold the start of a header still arriving.
    DropFront(count_ - (kPacketHeaderBytes - 1));
}

void PacketReceiver::CheckPacket() {
    const size_t length = PayloadLength();
    if (count_ < kPacketHeaderBytes + length) {
        return;
    }
    const uint32_t crc =
        PacketCrc::Compute(std::span<const uint8_t>(buffer_.data() + kPacketHeaderBytes, length));
    if (crc != Le32(&buffer_[8])) {
        log_.Write(QStringLiteral("STATE_FindData: "), IDS_MODEM_CRC_FAILED);
        DropFront(1);
        state_ = STATE_FindData;
        return;
    }
    if (length > kMaxSentPayload) {
        // No reader takes more than a sent packet holds; left waiting, such a packet would
        // block reception for good.
        log_.Write(QStringLiteral("STATE_ReadData: "), IDS_MODEM_OVERSIZED_PACKET);
        DropFront(kPacketHeaderBytes + length);
        state_ = STATE_FindData;
        return;
    }
    state_ = STATE_PacketReady;
}

CommPacket PacketReceiver::GetPacket(size_t maxLength, uint8_t* buffer, CommPort& port) {
    if (state_ != STATE_PacketReady || buffer == nullptr || maxLength < PayloadLength()) {
        return CommPacket{};
    }
    const uint16_t length = PayloadLength();
    std::memcpy(buffer, buffer_.data() + kPacketHeaderBytes, length);
    CommPacket result;
    result.data = buffer;
    result.length = length;
    result.tag = Le32(&buffer_[12]);
    state_ = STATE_PacketTaken;
    Step(port);
    return result;
}

}  // namespace korvex
