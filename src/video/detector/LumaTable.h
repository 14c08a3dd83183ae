#pragma once

#include <array>
#include <cstdint>

namespace korvex {

// Grey levels of 15-bit colours: red in bits 14..10, green in 9..5, blue in 4..0, each the top
// five bits of an 8-bit channel. Grey spans 0 (black) to 248 (white). One table per process,
// built on first use and only read afterwards.
class LumaTable {
public:
    static constexpr int kSize = 32768;

    // The process-wide table.
    static const LumaTable& Shared();

    // Grey of five-bit levels r, g, b (each 0..31), rounded to nearest.
    static constexpr uint8_t Grey(int r, int g, int b) {
        return static_cast<uint8_t>((500000 + 2326158 * r + 4751787 * g + 922055 * b) / 1000000);
    }

    // The 15-bit index of an 8-bit-per-channel colour.
    static constexpr int IndexOf(uint8_t red, uint8_t green, uint8_t blue) {
        return (red >> 3) << 10 | (green >> 3) << 5 | (blue >> 3);
    }

    uint8_t operator[](int index) const { return grey_[static_cast<unsigned>(index) & 0x7FFF]; }
    const uint8_t* Data() const { return grey_.data(); }

private:
    LumaTable();

    std::array<uint8_t, kSize> grey_{};
};

}  // namespace korvex
