#pragma once

#include "common/Dib.h"
#include "common/FourCC.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <span>
#include <vector>

namespace korvex {

inline constexpr uint32_t kMv2Magic = MakeFourCC('m', 'v', '0', '2');
// The older form: no base time, record times are seconds since 1970.
inline constexpr uint32_t kMv2MagicOld = MakeFourCC('m', 'v', '0', '1');

// A record: time offset (4 bytes), length and flags (4 bytes), then the frame data.
inline constexpr size_t kMv2RecordHeaderBytes = 8;
inline constexpr uint32_t kMv2KeyFrameBit = 0x80000000u;
inline constexpr uint32_t kMv2LengthMask = 0x00FFFFFFu;
// Frames longer than this are corruption in a file whose largeFrames field is 0.
inline constexpr uint32_t kMv2SmallFrameLimit = 65534;
inline constexpr size_t kMv2MinFormatBytes = sizeof(BitmapInfoHeader);

// The decoded fixed part of a record.
struct Mv2RecordHeader {
    uint32_t timeOffset = 0;
    uint32_t length = 0;
    bool keyFrame = false;

    static Mv2RecordHeader Decode(std::span<const uint8_t, kMv2RecordHeaderBytes> bytes);
    std::array<uint8_t, kMv2RecordHeaderBytes> Encode() const;
};

// The header of an MV2 file or stream: magic, largeFrames, four-character code, for "mv02"
// the base time as nine 16-bit fields of the local broken-down time, the format length and
// the format block.
class Mv2Header {
public:
    enum class ParseStatus { Ok, BadMagic, Invalid };

    // A current-form header for frames of `fourcc` described by `format`, with base time
    // `startTime`. An 8-bit format carries a 256-entry colour table (biClrUsed 0 becomes 256);
    // other depths store the bitmap header alone.
    static Mv2Header Make(uint32_t fourcc, const DibFormat& format, std::time_t startTime);

    // Parses the header at the start of `bytes`. Every length is checked against the bytes
    // given: the format length must be at least 40 and lie wholly inside `bytes`.
    static ParseStatus Parse(std::span<const uint8_t> bytes, Mv2Header& header);

    // Bytes before the format length field is read: magic and, for "mv02", the base time.
    static size_t FixedBytes(uint32_t magic) { return magic == kMv2MagicOld ? 16 : 34; }
    // The format length field of a header whose fixed part is `bytes` (at least FixedBytes).
    static uint32_t FormatLengthField(std::span<const uint8_t> bytes, uint32_t magic);

    std::vector<uint8_t> Serialize() const;

    uint32_t Magic() const { return magic_; }
    bool IsOldForm() const { return magic_ == kMv2MagicOld; }
    uint32_t LargeFrames() const { return largeFrames_; }
    uint32_t FourCC() const { return fourcc_; }
    const std::array<int16_t, 9>& StartTimeFields() const { return startTime_; }
    // The base time of record times: mktime of the stored fields, 0 for "mv01".
    std::time_t BaseTime() const;
    const DibFormat& Format() const { return format_; }
    // Bytes of the whole header, i.e. the offset of the first record.
    size_t Size() const { return FixedBytes(magic_) + format_.Size(); }

    // Whether a record of `length` bytes is acceptable under the largeFrames rule.
    bool AcceptsLength(uint32_t length) const {
        return largeFrames_ != 0 || length <= kMv2SmallFrameLimit;
    }

    void SetLargeFrames(uint32_t value) { largeFrames_ = value; }
    void SetMagic(uint32_t magic) { magic_ = magic; }

private:
    uint32_t magic_ = kMv2Magic;
    uint32_t largeFrames_ = 1;
    uint32_t fourcc_ = kFourCCDib;
    std::array<int16_t, 9> startTime_{};
    DibFormat format_;
};

}  // namespace korvex
