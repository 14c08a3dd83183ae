#include "video/detector/MotionDetector.h"

#include "common/StringTable.h"
#include "common/strings/VideoStrings.h"
#include "video/detector/LumaTable.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace korvex {

MotionDetector::MotionDetector(UserPrompt& prompt, const Clock& clock)
    : prompt_(prompt), clock_(clock) {}

void MotionDetector::ClearGrid() {
    width_ = height_ = blockRows_ = blockCols_ = pixelCount_ = blockCount_ = 0;
    rowBytes_ = 0;
    reference_ = current_ = 0;
    blockSums_.clear();
    mask_.clear();
    images_[0].clear();
    images_[1].clear();
}

bool MotionDetector::Setup(const DibFormat& format) {
    format_ = format;
    lastTrigger_ = 0;
    ClearGrid();
    if (format.IsEmpty()) {
        return true;
    }
    const BitmapInfoHeader& header = format.Header();
    const int64_t width = header.biWidth;
    const int64_t height = header.biHeight;
    if (width <= 0 || height <= 0) {
        return true;
    }
    if (width * height > INT_MAX) {
        prompt_.Message(Str(IDS_OUT_OF_MEMORY_CLOSE_APPS), PromptIcon::Error);
        return false;
    }
    width_ = static_cast<int>(width);
    height_ = static_cast<int>(height);
    blockRows_ = height_ / kBlockSize;
    blockCols_ = width_ / kBlockSize;
    pixelCount_ = width_ * height_;
    blockCount_ = blockRows_ * blockCols_;
    rowBytes_ = DibRowBytes(width_, header.biBitCount);
    try {
        blockSums_.assign(blockCount_, 0);
        mask_.assign(blockCount_, 0);
        const size_t samples = static_cast<size_t>(blockCount_) * kSamplesPerBlock;
        images_[0].assign(samples, 0);
        images_[1].assign(samples, 0);
    } catch (const std::bad_alloc&) {
        ClearGrid();
        prompt_.Message(Str(IDS_OUT_OF_MEMORY_CLOSE_APPS), PromptIcon::Error);
        return false;
    }
    paletteGrey_.fill(0);
    if (header.biBitCount == 8) {
        const auto table = format.ColourTable();
        const LumaTable& luma = LumaTable::Shared();
        for (size_t i = 0; i < table.size() && i < paletteGrey_.size(); ++i) {
            paletteGrey_[i] = luma[LumaTable::IndexOf(table[i].red, table[i].green, table[i].blue)];
        }
    }
    return true;
}

bool MotionDetector::Handles(std::span<const uint8_t> bits) const {
    if (blockCount_ == 0 || !format_.IsRgb()) {
        return false;
    }
    const int bitCount = format_.BitCount();
    if (bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) {
        return false;
    }
    return static_cast<int64_t>(bits.size()) >= rowBytes_ * height_;
}

namespace {

// The grey level of one sampled pixel.
template <int Bits>
inline uint8_t SampleGrey(const uint8_t* pixel, const uint8_t* luma, const uint8_t* palette) {
    if constexpr (Bits == 8) {
        return palette[pixel[0]];
    } else if constexpr (Bits == 16) {
        return luma[(pixel[0] | pixel[1] << 8) & 0x7FFF];
    } else {
        // Blue, green and red in one load; the fourth byte is never looked at. The load stays
        // inside the row: a sampled pixel is never the last of its row.
        uint32_t v;
        std::memcpy(&v, pixel, sizeof v);
        return luma[(v >> 3 & 0x1F) | (v >> 6 & 0x3E0) | (v >> 9 & 0x7C00)];
    }
}

#if defined(__x86_64__)
// The grey levels of one row of samples of 24- or 32-bit pixels `step` bytes apart. PEXT
// gathers the top five bits of blue, green and red into the table index in one instruction.
__attribute__((target("bmi2"))) void GreyRowPext(const uint8_t* pixel, int count, int step,
                                                 const uint8_t* luma, uint8_t* out) {
    for (int i = 0; i < count; ++i, pixel += step) {
        uint32_t v;
        std::memcpy(&v, pixel, sizeof v);
        out[i] = luma[_pext_u32(v, 0x00F8F8F8)];
    }
}

bool HasPext() {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("bmi2") != 0;
    }();
    return has;
}
#else
void GreyRowPext(const uint8_t*, int, int, const uint8_t*, uint8_t*) {}
bool HasPext() {
    return false;
}
#endif

// Sets the block sums of one block row to the sums of absolute differences of its 4 sample
// rows. `current` and `reference` point at the first of the rows, each `sampleCols` long.
void SumBlockRow(const uint8_t* current, const uint8_t* reference, int sampleCols, int* sums) {
    const int blockCols = sampleCols / 4;
    int bc = 0;
#if defined(__SSE2__)
    // Four blocks at a time: the sum of absolute differences of the low and of the high four
    // bytes of each half gives blocks 0, 2 and 1, 3.
    const __m128i low = _mm_set1_epi64x(0x00000000FFFFFFFF);
    const __m128i high = _mm_set1_epi64x(static_cast<int64_t>(0xFFFFFFFF00000000));
    for (; bc + 4 <= blockCols; bc += 4) {
        __m128i even = _mm_setzero_si128();
        __m128i odd = _mm_setzero_si128();
        for (int sy = 0; sy < 4; ++sy) {
            const size_t offset = static_cast<size_t>(sy) * sampleCols + bc * 4;
            const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(current + offset));
            const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(reference + offset));
            even = _mm_add_epi64(even, _mm_sad_epu8(_mm_and_si128(c, low), _mm_and_si128(r, low)));
            odd = _mm_add_epi64(odd, _mm_sad_epu8(_mm_and_si128(c, high), _mm_and_si128(r, high)));
        }
        const __m128i blocks = _mm_or_si128(even, _mm_slli_epi64(odd, 32));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + bc), blocks);
    }
#endif
    for (; bc < blockCols; ++bc) {
        int sum = 0;
        for (int sy = 0; sy < 4; ++sy) {
            const size_t offset = static_cast<size_t>(sy) * sampleCols + bc * 4;
            for (int k = 0; k < 4; ++k) {
                sum += std::abs(current[offset + k] - reference[offset + k]);
            }
        }
        sums[bc] = sum;
    }
}

}  // namespace

// Writes the samples of the used rows into the current image and, when Sum is set, the sums
// of absolute differences to the reference into the block sums (of every block; the mask is
// applied when judging). The used rows are the top 8 x blockRows of the picture: the bottom
// rows of the bitmap that do not fill a block row are skipped.
template <int Bits, bool Sum>
void MotionDetector::ConvertRows(const uint8_t* bits) {
    constexpr int kStep = 2 * Bits / 8;
    const uint8_t* luma = LumaTable::Shared().Data();
    const uint8_t* palette = paletteGrey_.data();
    const bool pext = HasPext();
    const int blockRows = blockRows_;
    const int sampleCols = SampleCols();
    const int64_t rowBytes = rowBytes_;
    const uint8_t* src = bits + (height_ - int64_t{kBlockSize} * blockRows) * rowBytes;
    uint8_t* dst = images_[current_].data();
    const uint8_t* ref = images_[reference_].data();
    const size_t blockRowSamples = static_cast<size_t>(sampleCols) * 4;
    for (int br = 0; br < blockRows; ++br) {
        uint8_t* rowDst = dst;
        for (int sy = 0; sy < 4; ++sy, src += 2 * rowBytes) {
            if constexpr (Bits >= 24) {
                if (pext) {
                    GreyRowPext(src, sampleCols, kStep, luma, rowDst);
                    rowDst += sampleCols;
                    continue;
                }
            }
            const uint8_t* pixel = src;
            for (int sx = 0; sx < sampleCols; sx += 4, pixel += 4 * kStep, rowDst += 4) {
                rowDst[0] = SampleGrey<Bits>(pixel, luma, palette);
                rowDst[1] = SampleGrey<Bits>(pixel + kStep, luma, palette);
                rowDst[2] = SampleGrey<Bits>(pixel + 2 * kStep, luma, palette);
                rowDst[3] = SampleGrey<Bits>(pixel + 3 * kStep, luma, palette);
            }
        }
        if constexpr (Sum) {
            SumBlockRow(dst, ref, sampleCols,
                        blockSums_.data() + static_cast<size_t>(br) * blockCols_);
        }
        dst += blockRowSamples;
        ref += blockRowSamples;
    }
}

template <int Bits>
void MotionDetector::Convert(const uint8_t* bits, bool sum) {
    if (sum) {
        ConvertRows<Bits, true>(bits);
    } else {
        ConvertRows<Bits, false>(bits);
    }
}

void MotionDetector::ConvertAndSum(std::span<const uint8_t> bits, bool sum) {
    switch (format_.BitCount()) {
        case 8:
            Convert<8>(bits.data(), sum);
            break;
        case 16:
            Convert<16>(bits.data(), sum);
            break;
        case 24:
            Convert<24>(bits.data(), sum);
            break;
        default:
            Convert<32>(bits.data(), sum);
            break;
    }
}

void MotionDetector::Compare(std::span<const uint8_t> bits) {
    motion_ = false;
    if (!Handles(bits)) {
        return;
    }
    current_ = 1 - reference_;
    std::fill(blockSums_.begin(), blockSums_.end(), 0);
    const bool timeLapse = mode_ == DetectionMode::TimeLapse;
    // A fresh reference is the frame itself: nothing differs, so nothing needs summing.
    ConvertAndSum(bits, !takeReference_ && !timeLapse);
    if (takeReference_) {
        reference_ = current_;
        takeReference_ = false;
    }
    if (timeLapse) {
        const std::time_t now = clock_.WallSeconds();
        if (now - lastTrigger_ >= interval_) {
            lastTrigger_ = now;
            motion_ = true;
        }
        return;
    }
    Judge();
}

// The spread is five times the population standard deviation of the block activities
// (masked blocks count as 0). The sum of squares is kept in 64 bits: 25 times it exceeds
// 32 bits on large frames (about 1920 x 1080 and above) when half the picture changes.
void MotionDetector::Judge() {
    if (maskOn_) {
        // The mask lists the top row of blocks first, the sums the bottom row.
        for (int br = 0; br < blockRows_; ++br) {
            const uint8_t* maskRow =
                mask_.data() + static_cast<size_t>(blockRows_ - 1 - br) * blockCols_;
            int* sums = blockSums_.data() + static_cast<size_t>(br) * blockCols_;
            for (int bc = 0; bc < blockCols_; ++bc) {
                if (maskRow[bc] != 0) {
                    sums[bc] = 0;
                }
            }
        }
    }
    int64_t total = 0;
    for (int& v : blockSums_) {
        v /= kSamplesPerBlock;
        total += v;
    }
    const int64_t mean = total / blockCount_;
    int64_t squares = 0;
    for (const int v : blockSums_) {
        const int64_t d = v - mean;
        squares += d * d;
    }
    // The integer quotient has the same truncated root as the exact one.
    const int64_t quotient = 25 * squares / blockCount_;
    const auto spread = static_cast<int64_t>(std::sqrt(static_cast<double>(quotient)));
    if (total + spread == 0) {
        stillCount_ = stillCount_ < INT_MAX ? stillCount_ + 1 : INT_MAX;
    } else {
        stillCount_ = 0;
    }
    if (spread > level_) {
        motion_ = true;
    }
    if (mode_ == DetectionMode::Intrusion || (mode_ == DetectionMode::DynamicProfile && motion_)) {
        reference_ = current_;
    }
}

bool MotionDetector::IsBlank() const {
    if (blockCount_ == 0) {
        return true;
    }
    const uint8_t* image = images_[current_].data();
    const int sampleCols = SampleCols();
    const int sampleRows = SampleRows();
    const int reference = image[static_cast<size_t>(2 * blockRows_) * sampleCols];
    for (int sy = 2; sy < sampleRows - 2; ++sy) {
        const uint8_t* row = image + static_cast<size_t>(sy) * sampleCols;
        for (int sx = 2; sx < sampleCols - 2; ++sx) {
            if (std::abs(row[sx] - reference) > maxDelta_) {
                return false;
            }
        }
    }
    return true;
}

void MotionDetector::MaskAll() {
    std::fill(mask_.begin(), mask_.end(), kMasked);
}

void MotionDetector::UnmaskAll() {
    std::fill(mask_.begin(), mask_.end(), 0);
}

int MotionDetector::TimeLapseInterval(int timeLimit, int timeUnit) {
    static constexpr int kUnitSeconds[] = {1, 60, 3600};
    return std::clamp(timeLimit, 1, 4000) * kUnitSeconds[std::clamp(timeUnit, 0, 2)];
}

}  // namespace korvex
