#include "video/JpegStillConverter.h"

#include "common/SystemError.h"
#include "common/strings/VideoStrings.h"
#include "video/BitmapFile.h"
#include "video/FileCopy.h"
#include "video/JpegWriter.h"

namespace korvex {

bool JpegStillConverter::ConvertBitmapToJpeg(const QString& target, const QString& bitmapPath) {
    BitmapFile bitmap;
    if (!bitmap.Load(bitmapPath) || !bitmap.ConvertTo24()) {
        return false;
    }
    JpegWriter writer;
    if (!writer.SetImage(bitmap.Format(), bitmap.Pixels()) ||
        !writer.Write(bitmapPath, JpegWriter::kStillQuality)) {
        return false;
    }
    const CopyResult copy = CopyFileBytes(bitmapPath, target, prompt_);
    if (copy.ok) {
        copyFailures_ = 0;
        return true;
    }
    if (++copyFailures_ > kQuietCopyFailures) {
        prompt_.Message(Str(IDS_FILE_OPEN_WRITE_FAILED), PromptIcon::Error);
        ShowSystemError(prompt_, copy.error);
    }
    return false;
}

bool JpegStillConverter::ConvertBitmapToJpegInPlace(const QString& target,
                                                    const QString& bitmapPath) {
    const QString part = PartPath(target);
    return ConvertBitmapToJpeg(part, bitmapPath) && MoveIntoPlace(part, target);
}

}  // namespace korvex
