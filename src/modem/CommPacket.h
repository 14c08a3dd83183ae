#pragma once

#include <cstddef>
#include <cstdint>

namespace korvex {

// Wire constants of the packet framing: a 16-byte header (magic, payload length, link
// identifier, CRC of the payload, part tag; all little-endian) and its payload.
inline constexpr uint32_t kPacketMagic = 0xCADCEDFE;
inline constexpr size_t kPacketHeaderBytes = 16;
inline constexpr size_t kMaxSentPayload = 512;
inline constexpr size_t kMaxReceivedPayload = 1024;
inline constexpr size_t kMaxReadPerStep = 1056;
inline constexpr size_t kReceiveBufferBytes = 3072;

// The part tag: message number in bits 24-31, part index in 16-23, part count in 8-15 and
// the packet type in 0-7.
constexpr uint32_t MakePartTag(uint8_t message, uint8_t part, uint8_t count, uint8_t type) {
    return uint32_t(message) << 24 | uint32_t(part) << 16 | uint32_t(count) << 8 | type;
}
constexpr uint8_t TagMessage(uint32_t tag) {
    return uint8_t(tag >> 24);
}
constexpr uint8_t TagPart(uint32_t tag) {
    return uint8_t(tag >> 16);
}
constexpr uint8_t TagCount(uint32_t tag) {
    return uint8_t(tag >> 8);
}
constexpr uint8_t TagType(uint32_t tag) {
    return uint8_t(tag);
}

// One packet as the framing and the reliable transfer pass it around. The payload is not
// owned: it belongs to whoever made the packet. `headerSent` and `written` record how far
// a packet has gone out when the port takes only part of it.
struct CommPacket {
    const uint8_t* data = nullptr;
    uint16_t length = 0;
    uint32_t tag = 0;
    bool headerSent = false;
    uint16_t written = 0;

    // The packet handed out when there is none: no payload and tag 0. Every real packet
    // has a part count of at least 1, so its tag is never 0.
    bool IsNone() const { return length == 0 && tag == 0; }
};

}  // namespace korvex
