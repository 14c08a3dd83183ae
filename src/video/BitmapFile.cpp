#include "video/BitmapFile.h"

#include "common/strings/VideoStrings.h"
#include "video/FrameSize.h"

#include <QFile>

#include <cstring>

namespace korvex {

namespace {
constexpr size_t kFileHeaderBytes = 14;

uint32_t Le32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
}  // namespace

bool BitmapFile::Fail(int stringId) {
    format_ = {};
    pixels_ = {};
    loaded_ = false;
    lastError_ = stringId;
    return false;
}

bool BitmapFile::Load(const QString& path) {
    loaded_ = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return Fail(IDS_BMP_OPEN_READ_FAILED);
    }
    if (file.size() > kMaxFileBytes) {
        return Fail(IDS_BMP_FORMAT_UNSUPPORTED);
    }
    const QByteArray bytes = file.readAll();
    return LoadBytes(
        {reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size())});
}

bool BitmapFile::LoadBytes(std::span<const uint8_t> file) {
    loaded_ = false;
    if (file.size() < kFileHeaderBytes) {
        return Fail(IDS_BMP_FILE_HEADER_UNREADABLE);
    }
    if (file[0] != 'B' || file[1] != 'M') {
        return Fail(IDS_BMP_NOT_VALID);
    }
    const uint32_t offBits = Le32(file.data() + 10);
    if (offBits < kFileHeaderBytes + sizeof(BitmapInfoHeader) || offBits > file.size()) {
        return Fail(IDS_BMP_INFO_UNREADABLE);
    }
    format_ = DibFormat::FromBytes(file.subspan(kFileHeaderBytes, offBits - kFileHeaderBytes));
    const BitmapInfoHeader& header = format_.Header();
    if (header.biSize < sizeof(BitmapInfoHeader) || header.biSize > format_.Size()) {
        return Fail(IDS_BMP_INFO_UNREADABLE);
    }
    if (header.biCompression != BI_RGB || header.biHeight <= 0 || !PlausibleFrameSize(header) ||
        header.biBitCount == 0 || header.biBitCount > 32) {
        return Fail(IDS_BMP_FORMAT_UNSUPPORTED);
    }
    sourceRowBytes_ = DibRowBytes(header.biWidth, header.biBitCount);
    rowBytes24_ = DibRowBytes(header.biWidth, 24);
    const int64_t needed = sourceRowBytes_ * header.biHeight;
    const int64_t imageBytes = header.biSizeImage == 0 ? needed : header.biSizeImage;
    // Fewer bytes than the rows need would leave the conversion reading past them.
    if (imageBytes < needed) {
        return Fail(IDS_BMP_FORMAT_UNSUPPORTED);
    }
    if (imageBytes > static_cast<int64_t>(file.size() - offBits)) {
        return Fail(IDS_BMP_BITS_UNREADABLE);
    }
    pixels_.assign(file.begin() + offBits, file.begin() + offBits + imageBytes);
    loaded_ = true;
    lastError_ = 0;
    return true;
}

bool BitmapFile::ConvertTo24() {
    if (!loaded_) {
        lastError_ = IDS_BMP_NONE_LOADED;
        return false;
    }
    const BitmapInfoHeader header = format_.Header();
    const int bits = header.biBitCount;
    if (bits == 24) {
        return true;
    }
    if (bits != 4 && bits != 8 && bits != 16 && bits != 32) {
        lastError_ = IDS_BMP_FORMAT_UNSUPPORTED;
        return false;
    }
    // Indices beyond the table the file really holds come out black.
    RgbQuad table[256] = {};
    const auto colours = format_.ColourTable();
    std::memcpy(table, colours.data(), std::min<size_t>(colours.size(), 256) * sizeof(RgbQuad));

    const int width = header.biWidth;
    const int height = header.biHeight;
    std::vector<uint8_t> out(static_cast<size_t>(rowBytes24_ * height), 0);
    for (int y = 0; y < height; ++y) {
        const uint8_t* source = pixels_.data() + sourceRowBytes_ * y;
        uint8_t* target = out.data() + rowBytes24_ * y;
        for (int x = 0; x < width; ++x, target += 3) {
            uint8_t blue = 0;
            uint8_t green = 0;
            uint8_t red = 0;
            if (bits <= 8) {
                const int perByte = 8 / bits;
                const int shift = 8 - bits * (x % perByte + 1);
                const int index = (source[x / perByte] >> shift) & ((1 << bits) - 1);
                blue = table[index].blue;
                green = table[index].green;
                red = table[index].red;
            } else if (bits == 16) {
                const int v = source[2 * x] | source[2 * x + 1] << 8;
                blue = static_cast<uint8_t>((v << 3) & 0xF8);
                green = static_cast<uint8_t>((v >> 2) & 0xF8);
                red = static_cast<uint8_t>((v >> 7) & 0xF8);
            } else {
                blue = source[4 * x];
                green = source[4 * x + 1];
                red = source[4 * x + 2];
            }
            target[0] = blue;
            target[1] = green;
            target[2] = red;
        }
    }
    BitmapInfoHeader converted;
    converted.biWidth = width;
    converted.biHeight = height;
    converted.biBitCount = 24;
    converted.biSizeImage = static_cast<uint32_t>(out.size());
    converted.biXPelsPerMeter = header.biXPelsPerMeter;
    converted.biYPelsPerMeter = header.biYPelsPerMeter;
    format_ =
        DibFormat::FromBytes({reinterpret_cast<const uint8_t*>(&converted), sizeof converted});
    pixels_ = std::move(out);
    sourceRowBytes_ = rowBytes24_;
    return true;
}

}  // namespace korvex
