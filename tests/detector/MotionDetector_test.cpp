#include "video/detector/MotionDetector.h"
#include "video/detector/LumaTable.h"

#include "TestFrames.h"
#include "common/FourCC.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace korvex {
namespace {

using test::TestFrame;

class MotionDetectorTest : public ::testing::Test {
protected:
    // Compares `frame` after `reference` on a fresh reference; returns the verdict.
    bool Judge(const TestFrame& reference, const TestFrame& frame, int level) {
        detector.Setup(frame.format);
        detector.SetLevel(level);
        detector.SetTakeReference(true);
        detector.Compare(reference.bits);
        detector.Compare(frame.bits);
        return detector.Motion();
    }

    RecordingPrompt prompt;
    ManualClock clock{0, 1'000'000};
    MotionDetector detector{prompt, clock};
};

// One of 1200 blocks changes by a mean of 200: spread 28; by a mean of 100: spread 14.
TEST_F(MotionDetectorTest, OneBlockOf1200GivesSpread28Or14AtEveryDepth) {
    for (const int bits : {8, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        const TestFrame still = TestFrame::Solid(320, 240, bits, 0);
        TestFrame moved = still;
        moved.Fill(80, 120, 8, 8, moved.Grey(200));
        EXPECT_TRUE(Judge(still, moved, 20));
        EXPECT_TRUE(Judge(still, moved, 27));
        EXPECT_FALSE(Judge(still, moved, 28));  // spread == level is not motion
        EXPECT_EQ(detector.BlockCount(), 1200);
        EXPECT_EQ(detector.StillCount(), 0);

        // Half the samples of the block at 96, half at 104: a mean of 100.
        TestFrame half = still;
        half.Fill(80, 120, 4, 8, half.Grey(96));
        half.Fill(84, 120, 4, 8, half.Grey(104));
        EXPECT_TRUE(Judge(still, half, 13));
        EXPECT_FALSE(Judge(still, half, 14));
    }
}

TEST_F(MotionDetectorTest, UniformLightChangeIsNoMotion) {
    const TestFrame dark = TestFrame::Solid(320, 240, 24, 0x404040);
    const TestFrame bright = TestFrame::Solid(320, 240, 24, 0xA0A0A0);
    EXPECT_FALSE(Judge(dark, bright, 0));
    EXPECT_EQ(detector.StillCount(), 0);  // something changed, though alike everywhere
}

TEST_F(MotionDetectorTest, IdenticalFramesCountAsStill) {
    const TestFrame frame = TestFrame::Solid(320, 240, 24, 0x808080);
    detector.Setup(frame.format);
    for (int i = 1; i <= 6; ++i) {
        detector.Compare(frame.bits);
        EXPECT_FALSE(detector.Motion());
        EXPECT_EQ(detector.StillCount(), i);
    }
}

TEST_F(MotionDetectorTest, MaskRowZeroIsTheTopRowOfBlocks) {
    const TestFrame still = TestFrame::Solid(320, 240, 24, 0);
    TestFrame top = still;
    top.Fill(0, 0, 8, 8, 0xFFFFFF);
    TestFrame bottom = still;
    bottom.Fill(0, 232, 8, 8, 0xFFFFFF);

    detector.Setup(still.format);
    detector.Mask()[0] = MotionDetector::kMasked;
    detector.SetMaskOn(true);
    for (const auto& [frame, expected] : {std::pair{&top, false}, std::pair{&bottom, true}}) {
        detector.SetTakeReference(true);
        detector.Compare(still.bits);
        detector.Compare(frame->bits);
        EXPECT_EQ(detector.Motion(), expected);
    }
    detector.SetMaskOn(false);
    detector.SetTakeReference(true);
    detector.Compare(still.bits);
    detector.Compare(top.bits);
    EXPECT_TRUE(detector.Motion());
}

// Masked blocks take part with activity 0: masking the top half of a uniformly brightened
// picture leaves two equal halves of 0 and 80, a spread of 200.
TEST_F(MotionDetectorTest, MaskedBlocksStillCountInTheMean) {
    const TestFrame dark = TestFrame::Solid(320, 240, 24, 0);
    const TestFrame bright = TestFrame::Solid(320, 240, 24, 0x505050);
    detector.Setup(dark.format);
    std::fill_n(detector.Mask().begin(), 600, MotionDetector::kMasked);
    detector.SetMaskOn(true);
    detector.SetLevel(199);
    detector.Compare(dark.bits);
    detector.Compare(bright.bits);
    EXPECT_TRUE(detector.Motion());
    detector.SetLevel(200);
    detector.SetTakeReference(true);
    detector.Compare(dark.bits);
    detector.Compare(bright.bits);
    EXPECT_FALSE(detector.Motion());

    detector.UnmaskAll();
    detector.SetLevel(0);
    detector.SetTakeReference(true);
    detector.Compare(dark.bits);
    detector.Compare(bright.bits);
    EXPECT_FALSE(detector.Motion());
    detector.MaskAll();
    EXPECT_TRUE(std::all_of(detector.Mask().begin(), detector.Mask().end(),
                            [](uint8_t b) { return b == MotionDetector::kMasked; }));
}

// 100 x 75 is 12 x 9 blocks; the right-most 4 columns and the bottom 3 rows never count.
TEST_F(MotionDetectorTest, PixelsOutsideWholeBlocksNeverCount) {
    const TestFrame still = TestFrame::Solid(100, 75, 24, 0);
    TestFrame edges = still;
    edges.Fill(96, 0, 4, 75, 0xFFFFFF);
    edges.Fill(0, 72, 100, 3, 0xFFFFFF);
    EXPECT_FALSE(Judge(still, edges, 0));
    EXPECT_EQ(detector.BlockCols(), 12);
    EXPECT_EQ(detector.BlockRows(), 9);
    EXPECT_EQ(detector.StillCount(), 2);

    TestFrame inside = still;
    inside.Fill(94, 71, 1, 1, 0xFFFFFF);  // the lowest used row, the right-most sample
    EXPECT_TRUE(Judge(still, inside, 0));
}

TEST_F(MotionDetectorTest, TimeLapseTriggersOncePerInterval) {
    EXPECT_EQ(MotionDetector::TimeLapseInterval(5, 1), 300);
    EXPECT_EQ(MotionDetector::TimeLapseInterval(2, 2), 7200);
    EXPECT_EQ(MotionDetector::TimeLapseInterval(7, 0), 7);

    const TestFrame frame = TestFrame::Solid(64, 48, 24, 0);
    detector.Setup(frame.format);
    detector.SetMode(DetectionMode::TimeLapse);
    detector.SetInterval(MotionDetector::TimeLapseInterval(5, 1));
    const auto compareAfter = [&](int seconds) {
        clock.AdvanceMs(seconds * 1000LL);
        detector.Compare(frame.bits);
        return detector.Motion();
    };
    EXPECT_TRUE(compareAfter(0));  // at once after arming
    EXPECT_FALSE(compareAfter(1));
    EXPECT_FALSE(compareAfter(298));
    EXPECT_TRUE(compareAfter(1));
    EXPECT_FALSE(compareAfter(299));
    EXPECT_TRUE(compareAfter(1));
    EXPECT_EQ(detector.StillCount(), 0);  // no comparison in this mode

    detector.ResetTimeLapse();
    EXPECT_TRUE(compareAfter(1));
    EXPECT_FALSE(compareAfter(1));
    detector.Setup(frame.format);
    EXPECT_TRUE(compareAfter(1));
}

TEST_F(MotionDetectorTest, ProfilesKeepOrReplaceTheReference) {
    const TestFrame empty = TestFrame::Solid(320, 240, 24, 0x202020);
    TestFrame person = empty;
    person.Fill(100, 60, 40, 120, 0xC08060);

    const auto verdicts = [&](DetectionMode mode, std::vector<const TestFrame*> frames) {
        detector.Setup(empty.format);
        detector.SetMode(mode);
        detector.SetLevel(20);
        detector.SetTakeReference(true);
        std::vector<bool> result;
        for (const TestFrame* f : frames) {
            detector.Compare(f->bits);
            result.push_back(detector.Motion());
        }
        return result;
    };
    const std::vector<const TestFrame*> enterAndStay{&empty, &person, &person, &person, &empty};
    EXPECT_EQ(verdicts(DetectionMode::StaticProfile, enterAndStay),
              (std::vector<bool>{false, true, true, true, false}));
    EXPECT_EQ(verdicts(DetectionMode::DynamicProfile, enterAndStay),
              (std::vector<bool>{false, true, false, false, true}));
    EXPECT_EQ(verdicts(DetectionMode::Intrusion, enterAndStay),
              (std::vector<bool>{false, true, false, false, true}));

    // Dynamic profile keeps its reference through small changes that are not motion, so a
    // slow creep is judged against the last frame that was motion.
    TestFrame creep1 = empty;
    creep1.Fill(0, 0, 8, 8, 0x606060);  // one block by 64: spread 9
    TestFrame creep2 = creep1;
    creep2.Fill(8, 0, 8, 8, 0x606060);  // two blocks by 64: spread 13 against the first frame
    detector.Setup(empty.format);
    detector.SetLevel(10);
    for (const auto mode : {DetectionMode::DynamicProfile, DetectionMode::Intrusion}) {
        detector.SetMode(mode);
        detector.SetTakeReference(true);
        detector.Compare(empty.bits);
        detector.Compare(creep1.bits);
        EXPECT_FALSE(detector.Motion());
        detector.Compare(creep2.bits);
        EXPECT_EQ(detector.Motion(), mode == DetectionMode::DynamicProfile);
    }

    // A restart takes the present scene as the new static reference.
    verdicts(DetectionMode::StaticProfile, {&empty, &person});
    detector.SetTakeReference(true);
    detector.Compare(person.bits);
    detector.Compare(person.bits);
    EXPECT_FALSE(detector.Motion());
}

// The first 15-bit colour whose grey level is `grey`.
uint32_t ColourOfGrey(int grey) {
    for (int i = 0; i < LumaTable::kSize; ++i) {
        if (LumaTable::Shared()[i] == grey) {
            return static_cast<uint32_t>(i);
        }
    }
    return 0;
}

TEST_F(MotionDetectorTest, BlankWithinMaxDeltaOfTheMiddleRowSample) {
    detector.SetMaxDelta(16);
    TestFrame frame = TestFrame::Solid(320, 240, 16, 0);
    detector.Setup(frame.format);
    detector.Compare(frame.bits);
    EXPECT_TRUE(detector.IsBlank());

    // The 4-pixel border is not looked at.
    frame.Fill(0, 0, 320, 4, 0x7FFF);
    frame.Fill(316, 0, 4, 240, 0x7FFF);
    detector.Compare(frame.bits);
    EXPECT_TRUE(detector.IsBlank());

    for (const int delta : {16, 17}) {
        TestFrame inside = frame;
        inside.Fill(160, 60, 2, 2, ColourOfGrey(delta));
        ASSERT_EQ(LumaTable::Shared()[ColourOfGrey(delta)], delta);
        detector.Compare(inside.bits);
        EXPECT_EQ(detector.IsBlank(), delta == 16);
    }
}

TEST_F(MotionDetectorTest, SixteenBitTopBitIsIgnored) {
    const TestFrame clear = TestFrame::Solid(320, 240, 16, 0x1234);
    const TestFrame set = TestFrame::Solid(320, 240, 16, 0x9234);
    EXPECT_FALSE(Judge(clear, set, 0));
    EXPECT_EQ(detector.StillCount(), 2);
}

TEST_F(MotionDetectorTest, EightBitFramesGoThroughTheirColourTable) {
    TestFrame still = TestFrame::Solid(320, 240, 8, 0);
    still.format.SetColourCount(2);
    still.format.ColourTable()[1] = RgbQuad{0, 0, 255, 0};  // pure red: grey 72
    TestFrame red = still;
    red.Fill(0, 0, 8, 8, 1);
    // One block by 72: 25 x 72² / 1200 = 108, spread 10.
    EXPECT_TRUE(Judge(still, red, 9));
    EXPECT_FALSE(Judge(still, red, 10));

    // Pixels past the end of a short colour table read as black.
    TestFrame outside = still;
    outside.Fill(0, 0, 320, 240, 200);
    EXPECT_FALSE(Judge(still, outside, 0));
    EXPECT_EQ(detector.StillCount(), 2);
}

// Half of a 1920 x 1080 picture turns from black to white: block activities 0 and 248, a
// spread of 620. 25 times the sum of squares no longer fits in 32 bits here.
TEST_F(MotionDetectorTest, LargeFrameSpreadDoesNotOverflow) {
    const TestFrame black = TestFrame::Solid(1920, 1080, 24, 0);
    TestFrame half = black;
    half.Fill(0, 0, 960, 1080, 0xFFFFFF);
    EXPECT_TRUE(Judge(black, half, 200));
    EXPECT_EQ(detector.BlockCount(), 240 * 135);
}

TEST_F(MotionDetectorTest, FramesSmallerThanOneBlockAreNeverMotion) {
    for (const auto& [w, h] : {std::pair{7, 100}, std::pair{100, 7}, std::pair{1, 1}}) {
        const TestFrame still = TestFrame::Solid(w, h, 24, 0);
        const TestFrame white = TestFrame::Solid(w, h, 24, 0xFFFFFF);
        EXPECT_TRUE(detector.Setup(still.format));
        EXPECT_EQ(detector.BlockCount(), 0);
        EXPECT_FALSE(Judge(still, white, 0));
        EXPECT_TRUE(detector.IsBlank());
        detector.MaskAll();
    }
    const TestFrame one = TestFrame::Solid(8, 8, 24, 0);
    const TestFrame lit = TestFrame::Solid(8, 8, 24, 0xFFFFFF);
    EXPECT_FALSE(Judge(one, lit, 0));  // one block alone has no spread
    EXPECT_TRUE(detector.IsBlank());
}

TEST_F(MotionDetectorTest, FormatsItCannotJudgeGiveNoMotion) {
    const TestFrame still = TestFrame::Solid(320, 240, 24, 0);
    TestFrame moved = still;
    moved.Fill(0, 0, 16, 16, 0xFFFFFF);

    std::vector<DibFormat> formats;
    for (const int bits : {1, 4, 12, 48}) {
        formats.push_back(DibFormat::Rgb(320, 240, bits));
    }
    DibFormat mjpg = still.format;
    mjpg.Header().biCompression = kFourCCMjpg;
    formats.push_back(mjpg);
    DibFormat bitfields = DibFormat::Rgb(320, 240, 16);
    bitfields.Header().biCompression = BI_BITFIELDS;
    formats.push_back(bitfields);
    DibFormat topDown = still.format;
    topDown.Header().biHeight = -240;
    formats.push_back(topDown);
    formats.push_back(DibFormat{});

    for (const DibFormat& format : formats) {
        ASSERT_TRUE(detector.Setup(format));
        detector.SetLevel(0);
        detector.SetTakeReference(true);
        detector.Compare(still.bits);
        detector.Compare(moved.bits);
        EXPECT_FALSE(detector.Motion());
        EXPECT_EQ(detector.StillCount(), 0);
    }
    EXPECT_TRUE(prompt.Texts().empty());
}

TEST_F(MotionDetectorTest, ShortFrameBytesAreNotJudged) {
    const TestFrame still = TestFrame::Solid(320, 240, 24, 0);
    TestFrame moved = still;
    moved.Fill(0, 0, 16, 16, 0xFFFFFF);
    detector.Setup(still.format);
    detector.SetLevel(0);
    detector.Compare(still.bits);
    detector.Compare(std::span(moved.bits).first(moved.bits.size() - 1));
    EXPECT_FALSE(detector.Motion());
    detector.Compare(std::span<const uint8_t>{});
    EXPECT_FALSE(detector.Motion());
    detector.Compare(moved.bits);
    EXPECT_TRUE(detector.Motion());
}

TEST_F(MotionDetectorTest, PictureTooLargeToHoldIsOutOfMemory) {
    EXPECT_FALSE(detector.Setup(DibFormat::Rgb(70000, 70000, 24)));
    EXPECT_EQ(prompt.Texts(),
              std::vector<QString>{"Out of memory. Try closing down other applications."});
    EXPECT_EQ(detector.BlockCount(), 0);
    detector.Compare(std::vector<uint8_t>(100));
    EXPECT_FALSE(detector.Motion());
}

// The detector as the rules state it, sample by sample on full-size grey images, to check
// that the fast detector reaches the same verdicts.
class PlainDetector {
public:
    PlainDetector(const DibFormat& format, std::span<const uint8_t> mask, int level, int mode)
        : format_(format), mask_(mask.begin(), mask.end()), level_(level), mode_(mode) {
        w_ = format.Width();
        h_ = format.Height();
        rows_ = h_ / 8;
        cols_ = w_ / 8;
        current_.assign(w_ * h_, 0);
        reference_ = current_;
    }

    void Compare(std::span<const uint8_t> bits) {
        motion = false;
        if (takeReference_) {
            Convert(bits, reference_);
            takeReference_ = false;
        }
        Convert(bits, current_);
        std::vector<int> sums(rows_ * cols_, 0);
        for (int y = 0; y < 8 * rows_; y += 2) {
            for (int x = 0; x < 8 * cols_; x += 2) {
                if (!mask_.empty() && mask_[(rows_ - 1 - y / 8) * cols_ + x / 8] != 0) {
                    continue;
                }
                sums[(y / 8) * cols_ + x / 8] +=
                    std::abs(current_[y * w_ + x] - reference_[y * w_ + x]);
            }
        }
        int s = 0;
        for (int& v : sums) {
            v /= 16;
            s += v;
        }
        const int n = rows_ * cols_;
        const int m = s / n;
        int32_t sq = 0;
        for (const int v : sums) {
            sq += (v - m) * (v - m);
        }
        const int spread = static_cast<int>(std::sqrt(25.0 * sq / n));
        stillCount = s + spread == 0 ? stillCount + 1 : 0;
        motion = spread > level_;
        if (mode_ == 0 || (mode_ == 1 && motion)) {
            reference_ = current_;
        }
    }

    bool IsBlank(int maxDelta) const {
        const int ref = current_[(4 * rows_) * w_];
        for (int y = 4; y < 8 * rows_ - 4; y += 2) {
            for (int x = 4; x < 8 * cols_ - 4; x += 2) {
                if (std::abs(current_[y * w_ + x] - ref) > maxDelta) {
                    return false;
                }
            }
        }
        return true;
    }

    bool motion = false;
    int stillCount = 0;

private:
    void Convert(std::span<const uint8_t> bits, std::vector<uint8_t>& image) const {
        const int bitCount = format_.BitCount();
        const int64_t rowBytes = DibRowBytes(w_, bitCount);
        const auto table = format_.ColourTable();
        for (int y = 0; y < 8 * rows_; y += 2) {
            const uint8_t* row = bits.data() + (h_ - 8 * rows_ + y) * rowBytes;
            for (int x = 0; x < 8 * cols_; x += 2) {
                int index = 0;
                if (bitCount == 8) {
                    const RgbQuad q = table[row[x]];
                    index = LumaTable::IndexOf(q.red, q.green, q.blue);
                } else if (bitCount == 16) {
                    index = (row[2 * x] | row[2 * x + 1] << 8) & 0x7FFF;
                } else {
                    const uint8_t* p = row + x * (bitCount / 8);
                    index = LumaTable::IndexOf(p[2], p[1], p[0]);
                }
                image[y * w_ + x] = LumaTable::Shared()[index];
            }
        }
    }

    DibFormat format_;
    std::vector<uint8_t> mask_;
    int level_;
    int mode_;
    int w_, h_, rows_, cols_;
    bool takeReference_ = true;
    std::vector<uint8_t> current_;
    std::vector<uint8_t> reference_;
};

TEST_F(MotionDetectorTest, VerdictsMatchThePlainRules) {
    std::mt19937 random(7);
    const auto uniform = [&](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(random);
    };
    for (const auto& [w, h] :
         {std::pair{100, 75}, std::pair{64, 48}, std::pair{150, 121}, std::pair{40, 16}}) {
        for (const int bits : {8, 16, 24, 32}) {
            for (const int mode : {0, 1, 2}) {
                SCOPED_TRACE(testing::Message() << w << "x" << h << " " << bits << " " << mode);
                TestFrame frame = TestFrame::Solid(w, h, bits, 0);
                std::vector<uint8_t> mask((w / 8) * (h / 8), 0);
                for (auto& b : mask) {
                    b = uniform(0, 5) == 0 ? 255 : 0;
                }
                const int level = uniform(0, 30);
                const int maxDelta = uniform(0, 40);
                MotionDetector fast(prompt, clock);
                fast.Setup(frame.format);
                std::copy(mask.begin(), mask.end(), fast.Mask().begin());
                fast.SetMaskOn(true);
                fast.SetLevel(level);
                fast.SetMode(static_cast<DetectionMode>(mode));
                fast.SetMaxDelta(maxDelta);
                fast.SetTakeReference(true);
                PlainDetector plain(frame.format, mask, level, mode);
                int motions = 0;
                for (int i = 0; i < 60; ++i) {
                    for (int k = uniform(0, 3); k > 0; --k) {
                        const uint32_t value = bits == 16  ? uniform(0, 0xFFFF)
                                               : bits == 8 ? uniform(0, 255)
                                                           : uniform(0, 0xFFFFFF);
                        frame.Fill(uniform(0, w - 1), uniform(0, h - 1), uniform(1, 30),
                                   uniform(1, 30), value);
                    }
                    fast.Compare(frame.bits);
                    plain.Compare(frame.bits);
                    ASSERT_EQ(fast.Motion(), plain.motion) << "frame " << i;
                    ASSERT_EQ(fast.StillCount(), plain.stillCount) << "frame " << i;
                    ASSERT_EQ(fast.IsBlank(), plain.IsBlank(maxDelta)) << "frame " << i;
                    motions += plain.motion;
                }
                EXPECT_GT(motions, 0);
            }
        }
    }
}

}  // namespace
}  // namespace korvex
