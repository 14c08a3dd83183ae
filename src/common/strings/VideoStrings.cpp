#include "common/strings/VideoStrings.h"

namespace korvex {

namespace {
const StringEntry kTable[] = {
    {IDS_OUT_OF_MEMORY_CLOSE_APPS, "Out of memory. Try closing down other applications."},
    {IDS_MASK_OPEN_WRITE_FAILED,
     "Unable to open a file for writing. Make sure there is sufficient disk space and the disk "
     "is not write protected."},
    {IDS_MASK_OPEN_READ_FAILED,
     "Failed to open the file for reading. Make sure you chose a valid path."},
    {IDS_MASK_NOT_VALID, "This is not a valid KORVEX! mask file."},
    {IDS_MASK_WRONG_SIZE, "This mask file is meant for the image size between "},
};
}  // namespace

const std::span<const StringEntry> kVideoStrings = kTable;

}  // namespace korvex
