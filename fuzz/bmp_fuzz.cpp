#include "video/BitmapFile.h"
#include "video/JpegWriter.h"

#include <cstddef>
#include <cstdint>
#include <span>

// The BMP reader and its 24-bit conversion on arbitrary file bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korvex::BitmapFile bitmap;
    if (bitmap.LoadBytes(std::span<const uint8_t>(data, size)) && bitmap.ConvertTo24()) {
        korvex::JpegWriter writer;
        writer.SetImage(bitmap.Format(), bitmap.Pixels());
    }
    return 0;
}
