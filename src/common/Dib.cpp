#include "common/Dib.h"

#include <algorithm>

namespace korvex {

int DibColourCount(const BitmapInfoHeader& header) {
    if (header.biClrUsed != 0) {
        return static_cast<int>(std::min<uint32_t>(header.biClrUsed, 256));
    }
    return header.biBitCount <= 8 ? 1 << header.biBitCount : 0;
}

DibFormat DibFormat::Rgb(int width, int height, int bitCount) {
    DibFormat format;
    format.bytes_.resize(sizeof(BitmapInfoHeader));
    BitmapInfoHeader header;
    header.biWidth = width;
    header.biHeight = height;
    header.biBitCount = static_cast<uint16_t>(bitCount);
    header.biSizeImage = static_cast<uint32_t>(DibImageBytes(width, height, bitCount));
    std::memcpy(format.bytes_.data(), &header, sizeof header);
    if (bitCount <= 8) {
        const int n = 1 << bitCount;
        format.SetColourCount(n);
        auto table = format.ColourTable();
        for (int i = 0; i < n; ++i) {
            const auto level = static_cast<uint8_t>(i * 255 / (n - 1));
            table[i] = RgbQuad{level, level, level, 0};
        }
    }
    return format;
}

DibFormat DibFormat::FromBytes(std::span<const uint8_t> bytes) {
    DibFormat format;
    if (bytes.size() >= sizeof(BitmapInfoHeader)) {
        format.bytes_.assign(bytes.begin(), bytes.end());
    }
    return format;
}

const BitmapInfoHeader& DibFormat::Header() const {
    return *reinterpret_cast<const BitmapInfoHeader*>(bytes_.data());
}

BitmapInfoHeader& DibFormat::Header() {
    return *reinterpret_cast<BitmapInfoHeader*>(bytes_.data());
}

std::span<const RgbQuad> DibFormat::ColourTable() const {
    if (IsEmpty()) {
        return {};
    }
    const size_t offset = std::min<size_t>(Header().biSize, bytes_.size());
    const size_t available = (bytes_.size() - offset) / sizeof(RgbQuad);
    const size_t n = std::min<size_t>(DibColourCount(Header()), available);
    return {reinterpret_cast<const RgbQuad*>(bytes_.data() + offset), n};
}

std::span<RgbQuad> DibFormat::ColourTable() {
    auto table = static_cast<const DibFormat&>(*this).ColourTable();
    return {const_cast<RgbQuad*>(table.data()), table.size()};
}

void DibFormat::SetColourCount(int n) {
    bytes_.resize(sizeof(BitmapInfoHeader) + static_cast<size_t>(n) * sizeof(RgbQuad));
    Header().biClrUsed = static_cast<uint32_t>(n);
}

int64_t DibFormat::ImageBytes() const {
    return IsEmpty() ? 0 : DibImageBytes(Width(), Height(), BitCount());
}

}  // namespace korvex
