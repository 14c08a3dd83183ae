#pragma once

#include "common/UserPrompt.h"

#include <QString>

namespace korvex {

// Makes JPEG stills from stamped bitmaps: the bitmap is read, converted to 24 bits, written
// over itself as a JPEG and copied to the target. Copies that keep failing (a locked or full
// target) are reported from the fourth failure in a row on; the earlier ones stay quiet.
class JpegStillConverter {
public:
    static constexpr int kQuietCopyFailures = 3;

    explicit JpegStillConverter(UserPrompt& prompt) : prompt_(prompt) {}

    // True only when the bitmap was read, the JPEG written and the copy made.
    bool ConvertBitmapToJpeg(const QString& target, const QString& bitmapPath);
    // The same, with the JPEG written beside `target` and renamed into place.
    bool ConvertBitmapToJpegInPlace(const QString& target, const QString& bitmapPath);
    int ConsecutiveCopyFailures() const { return copyFailures_; }

private:
    UserPrompt& prompt_;
    int copyFailures_ = 0;
};

}  // namespace korvex
