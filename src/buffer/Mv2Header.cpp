#include "buffer/Mv2Header.h"

#include <algorithm>
#include <cstring>

namespace korvex {

namespace {

uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

}  // namespace

Mv2RecordHeader Mv2RecordHeader::Decode(std::span<const uint8_t, kMv2RecordHeaderBytes> bytes) {
    const uint32_t flags = ReadU32(bytes.data() + 4);
    return {ReadU32(bytes.data()), flags & kMv2LengthMask, (flags & kMv2KeyFrameBit) != 0};
}

std::array<uint8_t, kMv2RecordHeaderBytes> Mv2RecordHeader::Encode() const {
    const uint32_t flags = (length & kMv2LengthMask) | (keyFrame ? kMv2KeyFrameBit : 0);
    std::array<uint8_t, kMv2RecordHeaderBytes> out{};
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<uint8_t>(timeOffset >> (8 * i));
        out[4 + i] = static_cast<uint8_t>(flags >> (8 * i));
    }
    return out;
}

Mv2Header Mv2Header::Make(uint32_t fourcc, const DibFormat& format, std::time_t startTime) {
    Mv2Header header;
    header.fourcc_ = fourcc;

    BitmapInfoHeader info;
    if (!format.IsEmpty()) {
        info = format.Header();
    }
    const size_t infoBytes = std::max<size_t>(info.biSize, kMv2MinFormatBytes);
    std::vector<uint8_t> bytes(infoBytes, 0);
    const auto source = format.Bytes();
    std::memcpy(bytes.data(), source.data(), std::min(source.size(), infoBytes));
    if (info.biBitCount == 8) {
        if (info.biClrUsed == 0) {
            info.biClrUsed = 256;
        }
        const auto table = format.ColourTable();
        const size_t tableBytes = size_t{info.biClrUsed} * sizeof(RgbQuad);
        bytes.resize(infoBytes + tableBytes, 0);
        std::memcpy(bytes.data() + infoBytes, table.data(),
                    std::min(tableBytes, table.size() * sizeof(RgbQuad)));
    }
    info.biSize = static_cast<uint32_t>(infoBytes);
    std::memcpy(bytes.data(), &info, sizeof info);
    header.format_ = DibFormat::FromBytes(bytes);

    std::tm local{};
    localtime_r(&startTime, &local);
    header.startTime_ = {
        static_cast<int16_t>(local.tm_sec),   static_cast<int16_t>(local.tm_min),
        static_cast<int16_t>(local.tm_hour),  static_cast<int16_t>(local.tm_mday),
        static_cast<int16_t>(local.tm_mon),   static_cast<int16_t>(local.tm_year),
        static_cast<int16_t>(local.tm_wday),  static_cast<int16_t>(local.tm_yday),
        static_cast<int16_t>(local.tm_isdst),
    };
    return header;
}

uint32_t Mv2Header::FormatLengthField(std::span<const uint8_t> bytes, uint32_t magic) {
    return ReadU32(bytes.data() + FixedBytes(magic) - 4);
}

Mv2Header::ParseStatus Mv2Header::Parse(std::span<const uint8_t> bytes, Mv2Header& header) {
    if (bytes.size() < 4) {
        return ParseStatus::BadMagic;
    }
    const uint32_t magic = ReadU32(bytes.data());
    if (magic != kMv2Magic && magic != kMv2MagicOld) {
        return ParseStatus::BadMagic;
    }
    const size_t fixed = FixedBytes(magic);
    if (bytes.size() < fixed) {
        return ParseStatus::Invalid;
    }
    const uint64_t formatBytes = FormatLengthField(bytes, magic);
    if (formatBytes < kMv2MinFormatBytes || formatBytes > bytes.size() - fixed) {
        return ParseStatus::Invalid;
    }
    Mv2Header parsed;
    parsed.magic_ = magic;
    parsed.largeFrames_ = ReadU32(bytes.data() + 4);
    parsed.fourcc_ = ReadU32(bytes.data() + 8);
    if (magic == kMv2Magic) {
        for (size_t i = 0; i < parsed.startTime_.size(); ++i) {
            const uint8_t* p = bytes.data() + 12 + 2 * i;
            parsed.startTime_[i] = static_cast<int16_t>(static_cast<uint16_t>(p[0] | p[1] << 8));
        }
    }
    parsed.format_ = DibFormat::FromBytes(bytes.subspan(fixed, formatBytes));
    header = std::move(parsed);
    return ParseStatus::Ok;
}

std::vector<uint8_t> Mv2Header::Serialize() const {
    std::vector<uint8_t> out;
    out.reserve(Size());
    PutU32(out, magic_);
    PutU32(out, largeFrames_);
    PutU32(out, fourcc_);
    if (!IsOldForm()) {
        for (int16_t field : startTime_) {
            const auto v = static_cast<uint16_t>(field);
            out.push_back(static_cast<uint8_t>(v));
            out.push_back(static_cast<uint8_t>(v >> 8));
        }
    }
    const auto format = format_.Bytes();
    PutU32(out, static_cast<uint32_t>(format.size()));
    out.insert(out.end(), format.begin(), format.end());
    return out;
}

std::time_t Mv2Header::BaseTime() const {
    if (IsOldForm()) {
        return 0;
    }
    std::tm local{};
    local.tm_sec = startTime_[0];
    local.tm_min = startTime_[1];
    local.tm_hour = startTime_[2];
    local.tm_mday = startTime_[3];
    local.tm_mon = startTime_[4];
    local.tm_year = startTime_[5];
    local.tm_wday = startTime_[6];
    local.tm_yday = startTime_[7];
    local.tm_isdst = startTime_[8];
    return std::mktime(&local);
}

}  // namespace korvex
