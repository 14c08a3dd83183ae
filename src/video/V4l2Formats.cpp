#include "video/V4l2Formats.h"

#include "common/FourCC.h"
#include "video/FrameSize.h"

#include <linux/videodev2.h>

namespace korvex {

namespace {

struct FormatEntry {
    uint32_t v4l2;
    uint32_t compression;
    int bitCount;
    bool compressed;  // frame sizes vary; no row layout
};

constexpr uint32_t kBgrTopDown = 0;  // BI_RGB, stored with a negative height

const FormatEntry kFormats[] = {
    {V4L2_PIX_FMT_BGR24, kBgrTopDown, 24, false},
    {V4L2_PIX_FMT_RGB24, MakeFourCC('R', 'G', 'B', '3'), 24, false},
    {V4L2_PIX_FMT_RGB565, MakeFourCC('R', 'G', 'B', 'P'), 16, false},
    {V4L2_PIX_FMT_YUYV, MakeFourCC('Y', 'U', 'Y', 'V'), 16, false},
    {V4L2_PIX_FMT_UYVY, MakeFourCC('U', 'Y', 'V', 'Y'), 16, false},
    {V4L2_PIX_FMT_YVYU, MakeFourCC('Y', 'V', 'Y', 'U'), 16, false},
    {V4L2_PIX_FMT_NV12, MakeFourCC('N', 'V', '1', '2'), 12, false},
    {V4L2_PIX_FMT_NV21, MakeFourCC('N', 'V', '2', '1'), 12, false},
    {V4L2_PIX_FMT_YUV420, MakeFourCC('I', '4', '2', '0'), 12, false},
    {V4L2_PIX_FMT_YVU420, MakeFourCC('Y', 'V', '1', '2'), 12, false},
    {V4L2_PIX_FMT_GREY, MakeFourCC('Y', '8', '0', '0'), 8, false},
    {V4L2_PIX_FMT_MJPEG, kFourCCMjpg, 24, true},
    {V4L2_PIX_FMT_JPEG, kFourCCMjpg, 24, true},
    {V4L2_PIX_FMT_H264, MakeFourCC('H', '2', '6', '4'), 24, true},
};

}  // namespace

DibFormat DibFormatFromV4l2(uint32_t pixelFormat, uint32_t width, uint32_t height,
                            uint32_t bytesPerLine, uint32_t sizeImage) {
    for (const FormatEntry& entry : kFormats) {
        if (entry.v4l2 != pixelFormat) {
            continue;
        }
        BitmapInfoHeader header;
        header.biWidth = static_cast<int32_t>(width);
        header.biHeight = static_cast<int32_t>(height);
        if (width > INT32_MAX || height > INT32_MAX || !PlausibleFrameSize(header)) {
            return {};
        }
        // Planar formats give the luma row; packed ones the whole pixel row.
        const uint32_t lineBytes =
            entry.bitCount == 12 ? width : static_cast<uint32_t>(width * entry.bitCount / 8);
        if (!entry.compressed && bytesPerLine != 0 && bytesPerLine != lineBytes) {
            return {};
        }
        DibFormat format = DibFormat::Rgb(static_cast<int>(width), static_cast<int>(height), 24);
        BitmapInfoHeader& h = format.Header();
        h.biBitCount = static_cast<uint16_t>(entry.bitCount);
        h.biCompression = entry.compression;
        if (entry.compression == kBgrTopDown) {
            h.biHeight = -h.biHeight;
            h.biSizeImage = static_cast<uint32_t>(DibImageBytes(width, height, 24));
        } else if (entry.compressed) {
            h.biSizeImage = sizeImage;
        } else {
            h.biSizeImage = static_cast<uint32_t>(uint64_t{width} * height * entry.bitCount / 8);
        }
        return format;
    }
    return {};
}

uint32_t V4l2PixelFormatFor(uint32_t compression, int bitCount) {
    for (const FormatEntry& entry : kFormats) {
        if (entry.compression == compression && entry.bitCount == bitCount) {
            return entry.v4l2;
        }
    }
    return 0;
}

}  // namespace korvex
