#include "common/FourCC.h"
#include "video/NewestBufferKeeper.h"
#include "video/PixelTranslator.h"
#include "video/V4l2Device.h"
#include "video/V4l2Formats.h"

#include <gmock/gmock.h>

#include <linux/videodev2.h>

namespace korvex {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;
using testing::UnorderedElementsAre;

TEST(V4l2CaptureTest, PixelFormatsMapToTranslatableCaptureFormats) {
    const DibFormat yuyv = DibFormatFromV4l2(V4L2_PIX_FMT_YUYV, 640, 480, 1280, 614400);
    ASSERT_FALSE(yuyv.IsEmpty());
    EXPECT_EQ(yuyv.Compression(), MakeFourCC('Y', 'U', 'Y', 'V'));
    EXPECT_EQ(yuyv.BitCount(), 16);
    EXPECT_EQ(yuyv.Header().biSizeImage, 614400u);
    EXPECT_TRUE(PixelTranslator::Supports(yuyv.Header()));

    // V4L2's BGR rows run top-down: a negative height, translated (flipped) before use.
    const DibFormat bgr = DibFormatFromV4l2(V4L2_PIX_FMT_BGR24, 320, 240, 960, 230400);
    EXPECT_EQ(bgr.Compression(), BI_RGB);
    EXPECT_EQ(bgr.Height(), -240);
    EXPECT_TRUE(PixelTranslator::Supports(bgr.Header()));

    for (uint32_t planar : {V4L2_PIX_FMT_NV12, V4L2_PIX_FMT_YUV420, V4L2_PIX_FMT_YVU420}) {
        const DibFormat format = DibFormatFromV4l2(planar, 320, 240, 320, 115200);
        EXPECT_EQ(format.Header().biSizeImage, 115200u);
        EXPECT_TRUE(PixelTranslator::Supports(format.Header()));
    }

    // Compressed formats keep the device's buffer size; they go to the decompressors.
    const DibFormat mjpeg = DibFormatFromV4l2(V4L2_PIX_FMT_MJPEG, 1280, 720, 0, 1843200);
    EXPECT_EQ(mjpeg.Compression(), kFourCCMjpg);
    EXPECT_EQ(mjpeg.Header().biSizeImage, 1843200u);
    EXPECT_EQ(V4l2PixelFormatFor(kFourCCMjpg, 24), V4L2_PIX_FMT_MJPEG);
    EXPECT_EQ(V4l2PixelFormatFor(BI_RGB, 24), V4L2_PIX_FMT_BGR24);

    // Padded rows, unknown formats and absurd sizes are not offered.
    EXPECT_TRUE(DibFormatFromV4l2(V4L2_PIX_FMT_YUYV, 640, 480, 1344, 645120).IsEmpty());
    EXPECT_TRUE(DibFormatFromV4l2(V4L2_PIX_FMT_SBGGR8, 640, 480, 640, 307200).IsEmpty());
    EXPECT_TRUE(DibFormatFromV4l2(V4L2_PIX_FMT_YUYV, 0, 480, 0, 0).IsEmpty());
    EXPECT_TRUE(DibFormatFromV4l2(V4L2_PIX_FMT_YUYV, 1u << 31, 1u << 31, 0, 0).IsEmpty());
}

TEST(V4l2CaptureTest, GrabKeepsTheNewestBufferAndReturnsTheRest) {
    NewestBufferKeeper keeper;
    // Three frames waited since the last grab: the newest is handed out.
    const DequeuedBuffer first[] = {{0, 100}, {1, 100}, {2, 100}};
    EXPECT_THAT(keeper.Take(first), UnorderedElementsAre(0, 1));
    ASSERT_TRUE(keeper.Held());
    EXPECT_EQ(keeper.Held()->index, 2);

    // The next grab returns the frame handed out before, and skips damaged and empty ones.
    const DequeuedBuffer second[] = {{3, 100}, {0, 100, true}, {1, 0}};
    EXPECT_THAT(keeper.Take(second), UnorderedElementsAre(0, 1, 2));
    EXPECT_EQ(keeper.Held()->index, 3);

    // Nothing new: the held frame stays ours; damaged buffers still go back.
    EXPECT_THAT(keeper.Take({}), IsEmpty());
    const DequeuedBuffer damaged[] = {{2, 100, true}};
    EXPECT_THAT(keeper.Take(damaged), ElementsAre(2));
    EXPECT_EQ(keeper.Held()->index, 3);

    keeper.Reset();
    EXPECT_FALSE(keeper.Held());
}

TEST(V4l2CaptureTest, MissingOrForeignDevicesDoNotOpen) {
    EXPECT_EQ(V4l2Device::Open("/dev/video-missing"), nullptr);
    EXPECT_EQ(V4l2Device::Open("/dev/null"), nullptr);
    for (const CaptureDriver& driver : V4l2Device::Drivers()) {
        EXPECT_FALSE(driver.description.isEmpty());
    }
}

}  // namespace
}  // namespace korvex
