#include "video/JpegWriter.h"

#include "video/FrameSize.h"
#include "video/JpegErrorManager.h"

#include <cerrno>
#include <cstring>

namespace korvex {

namespace {

// A libjpeg compression object with its error manager, destroyed once by its owner.
class CompressObject {
public:
    CompressObject() { cinfo.err = error.Install(); }
    ~CompressObject() {
        if (created) {
            jpeg_destroy_compress(&cinfo);
        }
    }
    CompressObject(const CompressObject&) = delete;
    CompressObject& operator=(const CompressObject&) = delete;

    JpegErrorManager error;
    jpeg_compress_struct cinfo{};
    bool created = false;
};

// A file written with stdio; closed once, either by `Close` (whose result counts) or by the
// destructor after a failure.
class OutputFile {
public:
    explicit OutputFile(const QString& path)
        : file_(std::fopen(path.toLocal8Bit().constData(), "wb")) {}
    ~OutputFile() {
        if (file_) {
            std::fclose(file_);
        }
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    std::FILE* Get() const { return file_; }
    bool Close() {
        const bool ok = !std::ferror(file_);
        std::FILE* file = file_;
        file_ = nullptr;
        return std::fclose(file) == 0 && ok;
    }

private:
    std::FILE* file_;
};

}  // namespace

bool JpegWriter::SetImage(const DibFormat& format, std::span<const uint8_t> bits) {
    initialised_ = false;
    if (format.IsEmpty() || format.Compression() != BI_RGB || format.BitCount() != 24 ||
        format.Header().biSizeImage == 0 || format.Height() <= 0 ||
        !PlausibleFrameSize(format.Header())) {
        return false;
    }
    width_ = format.Width();
    height_ = format.Height();
    rowBytes_ = DibRowBytes(width_, 24);
    const auto needed = static_cast<size_t>(rowBytes_ * height_);
    if (bits.size() < needed) {
        return false;
    }
    bits_.assign(bits.begin(), bits.begin() + static_cast<std::ptrdiff_t>(needed));
    initialised_ = true;
    return true;
}

bool JpegWriter::Write(const QString& path, int quality) {
    if (!initialised_) {
        return false;
    }
    CompressObject jpeg;
    OutputFile file(path);
    if (!file.Get()) {
        lastError_ = std::strerror(errno);
        return false;
    }
    jpeg_compress_struct& cinfo = jpeg.cinfo;
    // Everything the jump skips back over is C: the owners above release what was made.
    if (setjmp(jpeg.error.jump)) {
        lastError_ = jpeg.error.message;
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg.created = true;
    jpeg_stdio_dest(&cinfo, file.Get());
    cinfo.image_width = static_cast<JDIMENSION>(width_);
    cinfo.image_height = static_cast<JDIMENSION>(height_);
    cinfo.input_components = 3;
    // libjpeg-turbo takes the DIB's blue-green-red order as it is.
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    // Top picture row first: the DIB's rows from the last one up.
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = bits_.data() + rowBytes_ * (height_ - 1 - cinfo.next_scanline);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    if (!file.Close()) {
        lastError_ = std::strerror(errno);
        return false;
    }
    lastError_.clear();
    return true;
}

}  // namespace korvex
