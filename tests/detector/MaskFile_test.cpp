#include "video/detector/MaskFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QFile>

#include <algorithm>
#include <functional>

namespace korvex {
namespace {

const QString kNotValid = QStringLiteral("This is not a valid KORVEX! mask file.");

class MaskFileTest : public ::testing::Test {
protected:
    MaskFileTest() {
        detector.Setup(DibFormat::Rgb(320, 240, 24));
        for (size_t i = 0; i < detector.Mask().size(); i += 3) {
            detector.Mask()[i] = MotionDetector::kMasked;
        }
        detector.SetStyle(MaskStyle::Block);
        detector.SetColour(MaskColour::White);
    }

    // A detector of another picture, with its mask as it was before any load.
    struct Target {
        explicit Target(int width = 320, int height = 240) {
            detector.Setup(DibFormat::Rgb(width, height, 24));
        }
        RecordingPrompt prompt;
        MotionDetector detector{prompt};
        MaskFile file{detector, prompt};
        bool Untouched() const {
            return detector.Style() == MaskStyle::Wire &&
                   detector.Colour() == MaskColour::Negative &&
                   std::all_of(detector.Mask().begin(), detector.Mask().end(),
                               [](uint8_t b) { return b == 0; });
        }
    };

    test::TempDir dir;
    RecordingPrompt prompt;
    MotionDetector detector{prompt};
    MaskFile file{detector, prompt};
};

TEST_F(MaskFileTest, SavedMaskLoadsBackWithStyleAndColour) {
    const QString path = dir.File("front.msk");
    ASSERT_TRUE(file.SaveMask(path));
    const std::vector<uint8_t> bytes = test::ReadBytes(path);
    ASSERT_EQ(bytes.size(), 22u + 1200u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 22),
              (std::vector<uint8_t>{'M', 'A', 'S', 'K', '3', 0, 40, 0, 0, 0, 30,
                                    0,   0,   0,   1,   0,   0, 0,  3, 0, 0, 0}));

    Target target;
    EXPECT_TRUE(target.file.LoadMask(path, true));
    EXPECT_TRUE(std::equal(target.detector.Mask().begin(), target.detector.Mask().end(),
                           detector.Mask().begin()));
    EXPECT_EQ(target.detector.Style(), MaskStyle::Block);
    EXPECT_EQ(target.detector.Colour(), MaskColour::White);
    EXPECT_TRUE(target.prompt.Texts().empty());
}

TEST_F(MaskFileTest, DefaultMaskIsPerCameraAndSilentWhenMissing) {
    EXPECT_EQ(MaskFile::DefaultMaskPath(dir.Path(), 3), dir.Path() + "/Korvex3.msk");
    ASSERT_TRUE(file.SaveDefaultMask(dir.Path(), 3));
    EXPECT_TRUE(QFile::exists(dir.File("Korvex3.msk")));

    Target target;
    EXPECT_FALSE(target.file.LoadDefaultMask(dir.Path(), 4));
    EXPECT_TRUE(target.Untouched());
    EXPECT_TRUE(target.prompt.Texts().empty());
    EXPECT_TRUE(target.file.LoadDefaultMask(dir.Path(), 3));
    EXPECT_EQ(target.detector.Style(), MaskStyle::Block);

    // Chosen from the menu, a missing file is reported.
    EXPECT_FALSE(target.file.LoadMask(dir.File("gone.msk"), true));
    EXPECT_EQ(target.prompt.Texts(),
              std::vector<QString>{
                  "Failed to open the file for reading. Make sure you chose a valid path."});
}

TEST_F(MaskFileTest, MaskOfAnotherSizeIsRefusedEvenWhenSilent) {
    ASSERT_TRUE(file.SaveDefaultMask(dir.Path(), 0));
    Target target(352, 288);
    EXPECT_FALSE(target.file.LoadDefaultMask(dir.Path(), 0));
    EXPECT_FALSE(target.file.LoadMask(MaskFile::DefaultMaskPath(dir.Path(), 0), true));
    const QString expected =
        QStringLiteral("This mask file is meant for the image size between  320x240 - 327x247");
    EXPECT_EQ(target.prompt.Texts(), (std::vector<QString>{expected, expected}));
    EXPECT_TRUE(target.Untouched());
}

// Bytes of a saved 40 x 30 mask with `edit` applied.
std::vector<uint8_t> Edited(const MotionDetector& detector,
                            const std::function<void(std::vector<uint8_t>&)>& edit) {
    std::vector<uint8_t> bytes = MaskFile::Encode(detector);
    edit(bytes);
    return bytes;
}

void PutInt32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

TEST_F(MaskFileTest, ForeignOrTruncatedFilesChangeNothing) {
    const std::vector<std::vector<uint8_t>> invalid = {
        Edited(detector, [](auto& b) { b[4] = '2'; }),           // "MASK2"
        Edited(detector, [](auto& b) { b[5] = 'X'; }),           // no terminating zero
        Edited(detector, [](auto& b) { b.resize(5); }),          // shorter than the magic
        Edited(detector, [](auto& b) { b.resize(12); }),         // cut inside the grid
        Edited(detector, [](auto& b) { b.resize(20); }),         // cut inside style and colour
        Edited(detector, [](auto& b) { b.resize(22 + 1199); }),  // cut inside the mask bytes
        Edited(detector, [](auto& b) { PutInt32(b, 6, 0xFFFFFFD8); }),  // -40 columns
        Edited(detector, [](auto& b) { PutInt32(b, 10, 0x80000000); }),
        {},
    };
    for (size_t i = 0; i < invalid.size(); ++i) {
        SCOPED_TRACE(i);
        const QString path = dir.File(QStringLiteral("bad%1.msk").arg(i));
        test::WriteBytes(path, invalid[i]);
        Target target;
        EXPECT_FALSE(target.file.LoadMask(path, false));
        EXPECT_TRUE(target.prompt.Texts().empty());
        EXPECT_FALSE(target.file.LoadMask(path, true));
        EXPECT_EQ(target.prompt.Texts(), std::vector<QString>{kNotValid});
        EXPECT_TRUE(target.Untouched());
    }
}

TEST_F(MaskFileTest, HugeGridIsAnotherSize) {
    const std::vector<uint8_t> bytes = Edited(detector, [](auto& b) {
        PutInt32(b, 6, 0x7FFFFFFF);
        PutInt32(b, 10, 0x7FFFFFFF);
    });
    Target target;
    EXPECT_FALSE(target.file.LoadMaskBytes(bytes, false));
    EXPECT_EQ(target.prompt.Texts(),
              std::vector<QString>{"This mask file is meant for the image size between  "
                                   "17179869176x17179869176 - 17179869183x17179869183"});
    EXPECT_TRUE(target.Untouched());
}

TEST_F(MaskFileTest, AnyNonZeroByteIsMaskedAndOddStylesAreKept) {
    const std::vector<uint8_t> bytes = Edited(detector, [](auto& b) {
        std::fill(b.begin() + 22, b.end(), 0);
        b[22] = 7;
        b[23] = 1;
        PutInt32(b, 14, 9);
        PutInt32(b, 18, 0);
    });
    Target target;
    ASSERT_TRUE(target.file.LoadMaskBytes(bytes, true));
    EXPECT_EQ(target.detector.Mask()[0], MotionDetector::kMasked);
    EXPECT_EQ(target.detector.Mask()[1], MotionDetector::kMasked);
    EXPECT_EQ(target.detector.Mask()[2], 0);
    EXPECT_EQ(target.detector.Style(), MaskStyle::Wire);
    EXPECT_EQ(target.detector.Colour(), MaskColour::Negative);
}

TEST_F(MaskFileTest, UnwritablePathIsReported) {
    EXPECT_FALSE(file.SaveMask(dir.File("no/such/dir/front.msk")));
    EXPECT_EQ(prompt.Texts(),
              std::vector<QString>{"Unable to open a file for writing. Make sure there is "
                                   "sufficient disk space and the disk is not write protected."});
}

}  // namespace
}  // namespace korvex
