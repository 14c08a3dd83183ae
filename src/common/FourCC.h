#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvex {

// Four-character codes are 32-bit little-endian integers: the first character is the
// lowest byte.
constexpr uint32_t MakeFourCC(char a, char b, char c, char d) {
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) |
           static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24;
}

// "DIB ": uncompressed frames.
inline constexpr uint32_t kFourCCDib = MakeFourCC('D', 'I', 'B', ' ');
static_assert(kFourCCDib == 0x20424944);
inline constexpr uint32_t kFourCCMjpg = MakeFourCC('M', 'J', 'P', 'G');

// The code of a text of up to four characters, padded with blanks.
constexpr uint32_t FourCCFromString(std::string_view text) {
    char c[4] = {' ', ' ', ' ', ' '};
    for (size_t i = 0; i < 4 && i < text.size(); ++i) {
        c[i] = text[i];
    }
    return MakeFourCC(c[0], c[1], c[2], c[3]);
}

// The four characters of a code.
inline std::string FourCCToString(uint32_t code) {
    std::string text(4, ' ');
    for (int i = 0; i < 4; ++i) {
        text[i] = static_cast<char>((code >> (8 * i)) & 0xFF);
    }
    return text;
}

// Settings keep a code as two 16-bit halves.
constexpr uint32_t FourCCFromHalves(int high, int low) {
    return (static_cast<uint32_t>(high) & 0xFFFF) << 16 | (static_cast<uint32_t>(low) & 0xFFFF);
}
constexpr int FourCCHigh(uint32_t code) {
    return static_cast<int>(code >> 16);
}
constexpr int FourCCLow(uint32_t code) {
    return static_cast<int>(code & 0xFFFF);
}

static_assert(FourCCFromHalves(18256, 19021) == kFourCCMjpg);

}  // namespace korvex
