#pragma once

#include <cstdint>
#include <span>

namespace korvex {

// The CRC-32 of packet payloads: reflected polynomial 0xEDB88320, register starting at 0 and
// no final inversion ("abc" gives 0xCA6598D0, nothing gives 0).
class PacketCrc {
public:
    static uint32_t Compute(std::span<const uint8_t> bytes);
};

}  // namespace korvex
