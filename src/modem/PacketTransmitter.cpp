#include "modem/PacketTransmitter.h"

#include "modem/PacketCrc.h"

#include <array>
#include <cstring>

namespace korvex {

namespace {
void PutLe16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void PutLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = uint8_t(v >> (8 * i));
    }
}
}  // namespace

PacketTransmitter::PacketTransmitter(uint16_t linkId) : linkId_(linkId) {}

size_t PacketTransmitter::WritePacket(CommPacket& packet, CommPort& port) {
    if (!packet.headerSent) {
        if (packet.length > kMaxSentPayload) {
            // Never put on the wire; counted as finished.
            packet.written = packet.length;
            return packet.length;
        }
        std::array<uint8_t, kPacketHeaderBytes> header{};
        PutLe32(&header[0], kPacketMagic);
        PutLe16(&header[4], packet.length);
        PutLe16(&header[6], linkId_);
        PutLe32(&header[8],
                PacketCrc::Compute(std::span<const uint8_t>(packet.data, packet.length)));
        PutLe32(&header[12], packet.tag);
        const size_t taken = port.WriteComm(header);
        if (taken < header.size()) {
            // A torn header is written again in full; the receiver resynchronises.
            return 0;
        }
        bytesWritten_ += taken;
        packet.headerSent = true;
    }
    const size_t rest = packet.length - packet.written;
    if (rest == 0) {
        return 0;
    }
    size_t taken = port.WriteComm(std::span<const uint8_t>(packet.data + packet.written, rest));
    taken = std::min(taken, rest);
    packet.written = uint16_t(packet.written + taken);
    bytesWritten_ += taken;
    return taken;
}

int PacketTransmitter::Pump(CPacketSource& source, CommPort& port) {
    if (hasStaged_) {
        return 0;
    }
    int budget = int(kMaxSentPayload);
    int sent = 0;  // packets taken from the source
    while (budget > 0 && !hasStaged_) {
        const CommPacket given = source.GetPacket(kMaxSentPayload, nullptr);
        if (given.IsNone()) {
            break;
        }
        CommPacket copy = given;
        copy.headerSent = false;
        copy.written = 0;
        const size_t taken = WritePacket(copy, port);
        const bool dropped = copy.length > kMaxSentPayload;
        if (!dropped && (copy.written < copy.length || !copy.headerSent)) {
            const size_t rest = copy.length - copy.written;
            staging_.resize(kMaxReceivedPayload);
            std::memcpy(staging_.data(), copy.data + copy.written, rest);
            staged_ = CommPacket{staging_.data(), uint16_t(rest), copy.tag, copy.headerSent, 0};
            hasStaged_ = true;
        }
        source.ReleasePacket(given);
        budget -= int(taken);
        ++sent;
    }
    return sent;
}

void PacketTransmitter::ContinueStaged(CommPort& port) {
    if (!hasStaged_) {
        return;
    }
    WritePacket(staged_, port);
    if (staged_.headerSent && staged_.written >= staged_.length) {
        hasStaged_ = false;
    }
}

}  // namespace korvex
