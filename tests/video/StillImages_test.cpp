#include "common/strings/VideoStrings.h"
#include "support/TempDir.h"
#include "video/BitmapFile.h"
#include "video/FileCopy.h"
#include "video/JpegStillConverter.h"
#include "video/JpegWriter.h"
#include "video/StampedBitmap.h"
#include "common/SystemError.h"

#include "video/TestFrames.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <QProcess>

#include <gmock/gmock.h>

#include <cstring>

namespace korvex {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;

// Width and height of a JPEG file as libjpeg reads them.
std::pair<int, int> JpegSize(const QString& path) {
    std::FILE* file = std::fopen(path.toLocal8Bit().constData(), "rb");
    if (!file) {
        return {0, 0};
    }
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr error{};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    const std::pair<int, int> size{static_cast<int>(cinfo.image_width),
                                   static_cast<int>(cinfo.image_height)};
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    return size;
}

std::vector<uint8_t> BmpFile(int width, int height, int bits, std::span<const RgbQuad> table,
                             const std::vector<uint8_t>& pixels) {
    BitmapInfoHeader info;
    info.biWidth = width;
    info.biHeight = height;
    info.biBitCount = static_cast<uint16_t>(bits);
    info.biClrUsed = static_cast<uint32_t>(table.size());
    const uint32_t offBits = 54 + static_cast<uint32_t>(table.size() * 4);
    std::vector<uint8_t> file(offBits);
    file[0] = 'B';
    file[1] = 'M';
    std::memcpy(&file[10], &offBits, 4);
    std::memcpy(&file[14], &info, 40);
    if (!table.empty()) {
        std::memcpy(&file[54], table.data(), table.size() * 4);
    }
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

TEST(StillImagesTest, StampedBitmapHasTheFrameOnTopAndTheCaptionBelow) {
    test::TempDir dir;
    RecordingPrompt prompt;
    const auto frame = test::MakeTestFrame(320, 240, 4);
    const QString path = dir.File("still.bmp");
    ASSERT_TRUE(WriteStampedBitmap(path, DibFormat::Rgb(320, 240, 24), frame, 315626635, prompt));
    EXPECT_THAT(prompt.Texts(), IsEmpty());

    const auto bytes = test::ReadBytes(path);
    ASSERT_GT(bytes.size(), 54u);
    BitmapFile bitmap;
    ASSERT_TRUE(bitmap.LoadBytes(bytes));
    EXPECT_EQ(bitmap.Format().Width(), 320);
    EXPECT_EQ(bitmap.Format().Height(), 260);
    EXPECT_EQ(bitmap.Format().BitCount(), 24);
    EXPECT_EQ(bytes.size(), 54 + 960u * 260);

    // The bottom 20 rows (first in the file) are grey with dark caption pixels in them.
    const auto pixels = bitmap.Pixels();
    int grey = 0;
    int dark = 0;
    for (size_t i = 0; i < 960u * 20; i += 3) {
        if (pixels[i] == 192 && pixels[i + 1] == 192 && pixels[i + 2] == 192) {
            ++grey;
        } else if (pixels[i] < 100) {
            ++dark;
        }
    }
    EXPECT_GT(grey, 320 * 20 / 2);
    EXPECT_GT(dark, 50);
    // The rows above hold the frame unchanged.
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), pixels.begin() + 960 * 20));
}

TEST(StillImagesTest, CaptionIsTheCtimeTextWithATwoDigitYear) {
    qputenv("TZ", "UTC");
    tzset();
    EXPECT_EQ(StampCaption(315626635), "Wed Jan 02 02:03:55 80");
}

TEST(StillImagesTest, ConvertTo24ExpandsPalettesAnd555) {
    const RgbQuad table[] = {{10, 20, 30, 0}, {40, 50, 60, 0}};
    // 4 bits, 3 pixels wide (odd: the last pixel is in a high nibble of its own).
    BitmapFile four;
    ASSERT_TRUE(four.LoadBytes(BmpFile(3, 1, 4, table, {0x01, 0x10, 0, 0})));
    ASSERT_TRUE(four.ConvertTo24());
    EXPECT_THAT(std::vector<uint8_t>(four.Pixels().begin(), four.Pixels().begin() + 9),
                ElementsAre(10, 20, 30, 40, 50, 60, 40, 50, 60));
    // 16 bits 5-5-5: red full, green half, blue none; the top bit is ignored.
    BitmapFile sixteen;
    const uint16_t pixel = 0x8000 | (31 << 10) | (16 << 5);
    ASSERT_TRUE(sixteen.LoadBytes(
        BmpFile(1, 1, 16, {},
                {static_cast<uint8_t>(pixel & 0xFF), static_cast<uint8_t>(pixel >> 8), 0, 0})));
    ASSERT_TRUE(sixteen.ConvertTo24());
    EXPECT_THAT(std::vector<uint8_t>(sixteen.Pixels().begin(), sixteen.Pixels().begin() + 3),
                ElementsAre(0, 128, 248));
    EXPECT_EQ(sixteen.Format().Size(), 40u);
    EXPECT_EQ(sixteen.Format().Header().biSizeImage, 4u);
    // 8-bit indices beyond the table come out black instead of reading past it.
    BitmapFile eight;
    ASSERT_TRUE(eight.LoadBytes(BmpFile(2, 1, 8, table, {1, 200, 0, 0})));
    ASSERT_TRUE(eight.ConvertTo24());
    EXPECT_THAT(std::vector<uint8_t>(eight.Pixels().begin(), eight.Pixels().begin() + 6),
                ElementsAre(40, 50, 60, 0, 0, 0));
}

TEST(StillImagesTest, DamagedBitmapsAreRefusedWithTheirReason) {
    BitmapFile bitmap;
    const auto good = BmpFile(4, 4, 24, {}, std::vector<uint8_t>(48, 9));
    EXPECT_FALSE(bitmap.LoadBytes(std::span(good).first(10)));
    EXPECT_EQ(bitmap.LastError(), IDS_BMP_FILE_HEADER_UNREADABLE);
    auto foreign = good;
    foreign[0] = 'P';
    EXPECT_FALSE(bitmap.LoadBytes(foreign));
    EXPECT_EQ(bitmap.LastError(), IDS_BMP_NOT_VALID);
    EXPECT_FALSE(bitmap.LoadBytes(std::span(good).first(good.size() - 1)));
    EXPECT_EQ(bitmap.LastError(), IDS_BMP_BITS_UNREADABLE);
    auto compressed = good;
    compressed[30] = 1;  // BI_RLE8
    EXPECT_FALSE(bitmap.LoadBytes(compressed));
    EXPECT_EQ(bitmap.LastError(), IDS_BMP_FORMAT_UNSUPPORTED);
    auto hugeOffset = good;
    hugeOffset[13] = 0x7F;
    EXPECT_FALSE(bitmap.LoadBytes(hugeOffset));
    EXPECT_EQ(bitmap.LastError(), IDS_BMP_INFO_UNREADABLE);
    auto shortImage = good;
    shortImage[34] = 10;  // biSizeImage smaller than the rows
    EXPECT_FALSE(bitmap.LoadBytes(shortImage));
    EXPECT_FALSE(bitmap.IsLoaded());
    EXPECT_FALSE(bitmap.ConvertTo24());
    EXPECT_EQ(bitmap.LastError(), IDS_BMP_NONE_LOADED);
    EXPECT_FALSE(bitmap.Load("/nonexistent/x.bmp"));
    EXPECT_EQ(bitmap.LastError(), IDS_BMP_OPEN_READ_FAILED);
}

TEST(StillImagesTest, StampedBitmapBecomesAJpegOfTheRightSize) {
    test::TempDir dir;
    RecordingPrompt prompt;
    const QString bmp = dir.File("temp.bmp");
    const QString jpg = dir.File("lookout.jpg");
    // A 16-bit frame goes through the conversion to 24 bits on the way.
    DibFormat format = DibFormat::Rgb(320, 240, 16);
    std::vector<uint8_t> frame(static_cast<size_t>(format.ImageBytes()), 0x3C);
    ASSERT_TRUE(WriteStampedBitmap(bmp, format, frame, 0, prompt));
    JpegStillConverter converter(prompt);
    ASSERT_TRUE(converter.ConvertBitmapToJpeg(jpg, bmp));
    EXPECT_EQ(JpegSize(jpg), std::make_pair(320, 260));
    EXPECT_EQ(JpegSize(bmp), std::make_pair(320, 260));  // the bitmap became the JPEG

    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-show_entries", "stream=width,height,codec_name", "-of",
                            "csv=p=0", jpg});
    ASSERT_TRUE(probe.waitForFinished(20000));
    EXPECT_EQ(probe.readAllStandardOutput().trimmed(), "mjpeg,320,260");
    EXPECT_THAT(prompt.Texts(), IsEmpty());
}

TEST(StillImagesTest, OnlyTheFourthConsecutiveCopyFailureIsReported) {
    test::TempDir dir;
    RecordingPrompt prompt;
    JpegStillConverter converter(prompt);
    const QString bmp = dir.File("temp.bmp");
    const auto frame = test::MakeTestFrame(64, 48, 0);
    const QString lockedTarget = dir.File("missing/lookout.jpg");
    for (int attempt = 1; attempt <= 4; ++attempt) {
        ASSERT_TRUE(WriteStampedBitmap(bmp, DibFormat::Rgb(64, 48, 24), frame, 0, prompt));
        EXPECT_FALSE(converter.ConvertBitmapToJpeg(lockedTarget, bmp));
        EXPECT_EQ(converter.ConsecutiveCopyFailures(), attempt);
        if (attempt == 3) {
            EXPECT_THAT(prompt.Texts(), IsEmpty());
        }
    }
    EXPECT_THAT(prompt.Texts(), ElementsAre(Str(IDS_FILE_OPEN_WRITE_FAILED),
                                            "System Message : No such file or directory"));
    ASSERT_TRUE(WriteStampedBitmap(bmp, DibFormat::Rgb(64, 48, 24), frame, 0, prompt));
    EXPECT_TRUE(converter.ConvertBitmapToJpeg(dir.File("lookout.jpg"), bmp));
    EXPECT_EQ(converter.ConsecutiveCopyFailures(), 0);
}

TEST(StillImagesTest, FullDiskIsAFailureNotASuccess) {
    test::TempDir dir;
    RecordingPrompt prompt;
    const QString bmp = dir.File("temp.bmp");
    ASSERT_TRUE(WriteStampedBitmap(bmp, DibFormat::Rgb(64, 48, 24), test::MakeTestFrame(64, 48, 0),
                                   0, prompt));
    const CopyResult copy = CopyFileBytes(bmp, "/dev/full", prompt);
    EXPECT_FALSE(copy.ok);
    EXPECT_EQ(copy.error, ENOSPC);

    EXPECT_FALSE(WriteStampedBitmap("/dev/full", DibFormat::Rgb(64, 48, 24),
                                    test::MakeTestFrame(64, 48, 0), 0, prompt));
    EXPECT_THAT(prompt.Texts(), ElementsAre(Str(IDS_FILE_OPEN_WRITE_FAILED),
                                            "System Message : No space left on device"));

    BitmapFile bitmap;
    ASSERT_TRUE(bitmap.Load(bmp));
    JpegWriter writer;
    ASSERT_TRUE(writer.SetImage(bitmap.Format(), bitmap.Pixels()));
    EXPECT_FALSE(writer.Write("/dev/full", 90));
    EXPECT_TRUE(writer.Write(dir.File("ok.jpg"), 90));
}

TEST(StillImagesTest, JpegLibraryErrorsComeBackAsFailures) {
    test::TempDir dir;
    // Wider than JPEG allows: libjpeg stops in its start call.
    const int width = 70000;
    DibFormat format = DibFormat::Rgb(width, 1, 24);
    JpegWriter writer;
    ASSERT_TRUE(writer.SetImage(format, std::vector<uint8_t>(format.ImageBytes(), 1)));
    for (int i = 0; i < 2; ++i) {
        EXPECT_FALSE(writer.Write(dir.File("wide.jpg"), 90));
        EXPECT_THAT(writer.LastError(), testing::HasSubstr("65500"));
    }
    EXPECT_FALSE(writer.SetImage(DibFormat::Rgb(8, 8, 32), std::vector<uint8_t>(256)));
    EXPECT_FALSE(writer.Write(dir.File("none.jpg"), 90));
}

}  // namespace
}  // namespace korvex
