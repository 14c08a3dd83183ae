#pragma once

#include "common/UserPrompt.h"
#include "video/detector/MotionDetector.h"

#include <QString>

#include <cstdint>
#include <span>
#include <vector>

namespace korvex {

// The MASK3 file of a detector's mask, little-endian:
//   0  6 bytes  "MASK3" and a zero byte
//   6  int32    blockCols
//  10  int32    blockRows
//  14  int32    style (1 block, 2 wire)
//  18  int32    colour (1 negative, 2 black, 3 white)
//  22  blockRows x blockCols mask bytes, top row first
// A file that is foreign, truncated or meant for another grid changes nothing.
class MaskFile {
public:
    static constexpr int kHeaderBytes = 22;

    MaskFile(MotionDetector& detector, UserPrompt& prompt);

    bool SaveMask(const QString& path);
    // Reads a mask file into the detector. Verbose reports an unreadable or foreign file;
    // a file meant for another picture size is reported either way.
    bool LoadMask(const QString& path, bool verbose);
    // The same from the bytes of a file.
    bool LoadMaskBytes(std::span<const uint8_t> bytes, bool verbose);

    // The camera's own mask file in `dir`; a missing one loads silently as nothing.
    bool SaveDefaultMask(const QString& dir, int camera);
    bool LoadDefaultMask(const QString& dir, int camera);
    static QString DefaultMaskPath(const QString& dir, int camera);

    // The bytes of the detector's mask as a file.
    static std::vector<uint8_t> Encode(const MotionDetector& detector);

private:
    MotionDetector& detector_;
    UserPrompt& prompt_;
};

}  // namespace korvex
