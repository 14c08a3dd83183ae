#pragma once

#include "common/Dib.h"

#include <cstdint>
#include <vector>

namespace korvex::test {

// An uncompressed frame for the detector tests: its format and bottom-up pixel rows.
struct TestFrame {
    DibFormat format;
    std::vector<uint8_t> bits;

    // A frame of one colour. 8-bit frames get the grey colour table, so their pixel value is
    // the palette index; 16-bit frames take `value` as the raw 5-5-5 pixel.
    static TestFrame Solid(int width, int height, int bitCount, uint32_t value) {
        TestFrame frame{DibFormat::Rgb(width, height, bitCount), {}};
        frame.bits.resize(static_cast<size_t>(DibImageBytes(width, height, bitCount)));
        frame.Fill(0, 0, width, height, value);
        return frame;
    }

    // Grey level c (0..255) as this frame's pixel value.
    uint32_t Grey(uint8_t c) const {
        switch (format.BitCount()) {
            case 8:
                return c;
            case 16:
                return (c >> 3) << 10 | (c >> 3) << 5 | (c >> 3);
            default:
                return c << 16 | c << 8 | c;
        }
    }

    // Sets the pixels of a rectangle given from the top-left of the picture. 24 and 32-bit
    // values are 0xRRGGBB.
    void Fill(int left, int top, int w, int h, uint32_t value) {
        const int width = format.Width();
        const int height = format.Height();
        const int bitCount = format.BitCount();
        const int bytes = bitCount / 8;
        for (int y = top; y < top + h && y < height; ++y) {
            uint8_t* row = DibRowFromTop(bits.data(), width, height, bitCount, y);
            for (int x = left; x < left + w && x < width; ++x) {
                uint8_t* p = row + x * bytes;
                for (int i = 0; i < bytes; ++i) {
                    p[i] = static_cast<uint8_t>(value >> (8 * i));
                }
            }
        }
    }
};

}  // namespace korvex::test
