#include "common/strings/BufferStrings.h"

namespace korvex {

namespace {
const StringEntry kTable[] = {
    {IDS_MV2_LIMIT_REACHED, "The video file has hit the recording limit."},
    {IDS_AVI_CREATE_FAILED,
     "Failed to create the AVI file. Check your available disk space and the disk write "
     "protection."},
    {IDS_MV2_OUT_OF_MEMORY, "Out of memory. Try closing down other applications."},
    {IDS_MV2_OPEN_WRITE_FAILED,
     "Unable to open a file for writing. Make sure there is sufficient disk space and the disk "
     "is not write protected."},
    {IDS_MV2_OPEN_READ_FAILED,
     "Failed to open the file for reading. Make sure you chose a valid path."},
    {IDS_MV2_NOT_VALID, "The selected file is not a valid KORVEX! MV2 file."},
    {IDS_MV2_CORRUPTED, "The video file is corrupted. KORVEX! can only show part of the file."},
    {IDS_FLUSH_BUFFER_QUESTION,
     "You are about to flush the video buffer (recorded video). This will allow KORVEX! to "
     "overwrite it without asking. If it has not been overwritten, you can restore it by "
     "clicking on Commands > Restore Video Buffer."},
    {IDS_MV2_READING_FRAME, "Reading frame %ld"},
    {IDS_AVI_TOO_LARGE,
     "The AVI file would be larger than 4 GB, the limit of the AVI format. The export was "
     "stopped and the partial file removed."},
    {IDS_MV2_DEVICE, "Device "},
    {IDS_MV2_SAVE_MOVE_FAILED,
     "Unable to save the video buffer as %1 (%2). Recording goes on in the current file."},
    {IDS_MV2_SAVE_ONTO_ITSELF,
     "The video cannot be saved onto the file it is read from. Please choose another file "
     "name."},
};
}  // namespace

const std::span<const StringEntry> kBufferStrings = kTable;

}  // namespace korvex
