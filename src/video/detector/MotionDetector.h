#pragma once

#include "common/Clock.h"
#include "common/Dib.h"
#include "common/UserPrompt.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <span>
#include <vector>

namespace korvex {

// What happens to the reference image after each compared frame.
enum class DetectionMode : int {
    Intrusion = 0,       // always replaced: each frame is judged against the previous one
    DynamicProfile = 1,  // replaced only by a frame judged to be motion
    StaticProfile = 2,   // never replaced while detection runs
    TimeLapse = 3,       // no comparison; motion once every interval
};

// How the frame display draws masked blocks; the values are those of the mask file.
enum class MaskStyle : int { Block = 1, Wire = 2 };
enum class MaskColour : int { Negative = 1, Black = 2, White = 3 };

// Judges frames for motion. Each frame is reduced to a grey image of every second pixel of
// every second row, compared block by block (8 x 8 pixels, 16 samples) with a reference image,
// and counts as motion when the per-block mean differences are unequal: five times their
// standard deviation (the spread) must exceed the level. A change that touches every block
// alike, like a light switched on, is no motion.
//
// The grey images hold only the samples: sample (sx, sy) of the picture pixel (2 sx, 2 sy),
// counted from the lowest used row as in a bottom-up bitmap, lies at sy * SampleCols() + sx.
class MotionDetector {
public:
    static constexpr int kBlockSize = 8;
    static constexpr int kSamplesPerBlock = 16;
    static constexpr uint8_t kMasked = 255;

    explicit MotionDetector(UserPrompt& prompt, const Clock& clock = SystemClock::Instance());

    // Sizes the detector for the frames that follow; every block watched, Time lapse restarted.
    // A frame format that cannot be judged (not uncompressed RGB of 8, 16, 24 or 32 bits,
    // or smaller than one block) leaves a detector that never reports motion. False, after a
    // message, when the memory cannot be had; the detector then has no blocks.
    bool Setup(const DibFormat& format);

    // Judges the pixel rows of one frame in the format given to Setup. Bits shorter than the
    // format needs are not judged: no motion.
    void Compare(std::span<const uint8_t> bits);

    // Whether the latest compared frame is uniform: every sample inside a border of 4 pixels
    // lies within maxDelta of the left-most sample of the middle row.
    bool IsBlank() const;

    void MaskAll();
    void UnmaskAll();

    // Seconds of a Time lapse interval from the stored count and unit (0 seconds, 1 minutes,
    // 2 hours).
    static int TimeLapseInterval(int timeLimit, int timeUnit);
    // The next Time lapse comparison triggers at once.
    void ResetTimeLapse() { lastTrigger_ = 0; }

    bool Motion() const { return motion_; }
    void SetMotion(bool motion) { motion_ = motion; }
    bool TakeReference() const { return takeReference_; }
    void SetTakeReference(bool take) { takeReference_ = take; }
    int StillCount() const { return stillCount_; }

    bool MaskOn() const { return maskOn_; }
    void SetMaskOn(bool on) { maskOn_ = on; }
    MaskStyle Style() const { return maskStyle_; }
    void SetStyle(MaskStyle style) { maskStyle_ = style; }
    MaskColour Colour() const { return maskColour_; }
    void SetColour(MaskColour colour) { maskColour_ = colour; }
    // One byte per block, top row of blocks first; non-zero means the block is ignored.
    std::span<uint8_t> Mask() { return mask_; }
    std::span<const uint8_t> Mask() const { return mask_; }

    DetectionMode Mode() const { return mode_; }
    void SetMode(DetectionMode mode) { mode_ = mode; }
    int Level() const { return level_; }
    void SetLevel(int level) { level_ = level; }
    int MaxDelta() const { return maxDelta_; }
    void SetMaxDelta(int maxDelta) { maxDelta_ = maxDelta; }
    int Interval() const { return interval_; }
    void SetInterval(int seconds) { interval_ = seconds; }
    std::time_t LastTrigger() const { return lastTrigger_; }

    const DibFormat& Format() const { return format_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    int BlockRows() const { return blockRows_; }
    int BlockCols() const { return blockCols_; }
    int BlockCount() const { return blockCount_; }
    int PixelCount() const { return pixelCount_; }
    int SampleCols() const { return blockCols_ * 4; }
    int SampleRows() const { return blockRows_ * 4; }
    std::span<const uint8_t> Current() const { return images_[current_]; }
    std::span<const uint8_t> Reference() const { return images_[reference_]; }
    // Mean absolute difference of each block in the latest comparison, bottom row first.
    std::span<const int> BlockSums() const { return blockSums_; }

private:
    bool Handles(std::span<const uint8_t> bits) const;
    void ConvertAndSum(std::span<const uint8_t> bits, bool sum);
    template <int Bits>
    void Convert(const uint8_t* bits, bool sum);
    template <int Bits, bool Sum>
    void ConvertRows(const uint8_t* bits);
    void Judge();
    void ClearGrid();

    UserPrompt& prompt_;
    const Clock& clock_;
    DibFormat format_;
    bool maskOn_ = false;
    bool takeReference_ = true;
    bool motion_ = false;
    // The two grey images; reference_ and current_ index them and are equal right after the
    // reference was replaced by the current image, so no image is ever copied.
    std::array<std::vector<uint8_t>, 2> images_;
    int reference_ = 0;
    int current_ = 0;
    std::vector<uint8_t> mask_;
    std::vector<int> blockSums_;
    int height_ = 0;
    int width_ = 0;
    int blockRows_ = 0;
    int blockCols_ = 0;
    int maxDelta_ = 0;
    int pixelCount_ = 0;
    int blockCount_ = 0;
    int stillCount_ = 0;
    DetectionMode mode_ = DetectionMode::Intrusion;
    int level_ = 15;
    MaskStyle maskStyle_ = MaskStyle::Wire;
    MaskColour maskColour_ = MaskColour::Negative;
    int interval_ = 0;
    std::time_t lastTrigger_ = 0;
    int64_t rowBytes_ = 0;
    // Grey of each palette entry of an 8-bit format (0 past the end of its colour table).
    std::array<uint8_t, 256> paletteGrey_{};
};

}  // namespace korvex
