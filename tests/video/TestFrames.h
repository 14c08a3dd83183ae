#pragma once

#include "common/Dib.h"

#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

namespace korvex::test {

// A 24-bit bottom-up test picture: smooth colour ramps with a bright square whose
// position depends on `step`, so consecutive frames differ a little, as a camera's do.
inline std::vector<uint8_t> MakeTestFrame(int width, int height, int step) {
    const int64_t rowBytes = DibRowBytes(width, 24);
    std::vector<uint8_t> bits(static_cast<size_t>(rowBytes * height), 0);
    const int squareX = (step * 5) % (width - 40);
    const int squareY = height / 3;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bits.data() + rowBytes * y;
        for (int x = 0; x < width; ++x) {
            const bool inSquare =
                x >= squareX && x < squareX + 40 && y >= squareY && y < squareY + 40;
            row[3 * x] = inSquare ? 240 : static_cast<uint8_t>(x * 200 / width + 20);
            row[3 * x + 1] = inSquare ? 230 : static_cast<uint8_t>(y * 200 / height + 20);
            row[3 * x + 2] =
                inSquare ? 40 : static_cast<uint8_t>((x + y) * 100 / (width + height) + 60);
        }
    }
    return bits;
}

// Peak signal-to-noise ratio in dB of two pictures of the same size.
inline double Psnr(std::span<const uint8_t> a, std::span<const uint8_t> b) {
    double sum = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const double d = static_cast<double>(a[i]) - b[i];
        sum += d * d;
    }
    const double mse = sum / static_cast<double>(a.size());
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace korvex::test
