#include "modem/PacketCrc.h"

#include <array>

namespace korvex {

namespace {
constexpr std::array<uint32_t, 256> MakeTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit) {
            value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
        }
        table[i] = value;
    }
    return table;
}
constexpr std::array<uint32_t, 256> kTable = MakeTable();
}  // namespace

uint32_t PacketCrc::Compute(std::span<const uint8_t> bytes) {
    uint32_t crc = 0;
    for (uint8_t b : bytes) {
        crc = (crc >> 8) ^ kTable[(crc ^ b) & 0xFF];
    }
    return crc;
}

}  // namespace korvex
