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

    {IDS_COMPRESSOR_OPEN_FAILED, "Failed to open compressor. Please try another compressor."},
    {IDS_COMPRESSOR_FORMAT_UNSUPPORTED,
     "The current video format is not supported by the chosen compressor. Please choose a "
     "different video format or compressor from the Options menu."},
    {IDS_COMPRESS_FRAME_FAILED,
     "Failed to compress a frame. The current compressor may be the problem. Please choose a "
     "different compressor from Options > Compression."},
    {IDS_COMPRESSOR_NOW_UNCOMPRESSED,
     "The compressor is now set to UNCOMPRESSED. If you wish to use a compressor, reselect a "
     "compressor from Options > Compression. You might need to reselect the Video Format to do "
     "so."},
    {IDS_DECOMPRESSOR_OPEN_FAILED,
     "Unable to open the CODEC that is used to compress this video stream."},
    {IDS_BAD_DEC_INP, "IDS_BadDecInp"},
    {IDS_DECOMPRESSOR_START_FAILED, "Unable to start the decompressor."},
    {IDS_DECOMPRESS_FRAME_FAILED,
     "Failed to decompress a frame. Most likely the file is corrupted."},
    {IDS_COMPRESSOR_UNCOMPRESSED, "Uncompressed."},
    {IDS_COMPRESSOR_NO_INFO, "No compressor information."},
    {IDS_COMPRESSOR_NONE_CHOSEN, "No compressor chosen."},

    {IDS_NO_CAPTURE_DEVICE,
     "Unable to locate a Microsoft Video for Windows capatible video capture device in your "
     "system or all devices are in use."},
    {IDS_CAMERA_NOT_AVAILABLE,
     "The camera you have chosen is not available. Do you want KORVEX! to locate the next "
     "available camera for you ?"},
    {IDS_CAPTURE_NOT_CONNECTED, "Capture device is not connected."},
    {IDS_CAPTURE_DEVICE_ERROR, "Error in capture device."},
    {IDS_UNSUPPORTED_VIDEO_FORMAT,
     "Unsupported video format.  Try choosing a RGB video format under Options > Video "
     "Format."},
    {IDS_DECOMPRESSED_NOT_RGB, "Format = %x, bitCount = %d"},
    {IDS_DRIVER_DIALOG_UNSUPPORTED,
     "This function is not supported by the current video capture driver."},
    {IDS_SELECT_CAMERA, "Select a Camera"},
    {IDS_CAMERA_LINE, "Cam%d : %s"},
    {IDS_CAMERA_LINE_IN_USE, "Cam%d : IN USE - %s"},
    {IDS_TRANSLATION_NOTICE,
     "The format selected is not a basic RGB format. KORVEX! will attempt to translate the "
     "format. Choose a basic RGB format if possible (Options > Video Format) to eliminate this "
     "extra translation step. If your capture device does not support a basic RGB format it "
     "will still work with KORVEX!."},
    {IDS_TRANSLATION_NOTICE_AGAIN,
     "Don't show this message again unless an attempt is made to change the video format."},
    {IDS_DEMO_CAMERA, "Demo Camera"},

    {IDS_FILE_OPEN_WRITE_FAILED,
     "Unable to open a file for writing. Make sure there is sufficient disk space and the disk "
     "is not write protected."},
    {IDS_FILE_READ_ERROR, "File read error"},
    {IDS_BMP_OPEN_READ_FAILED, "Unable to open file for reading"},
    {IDS_BMP_FILE_HEADER_UNREADABLE, "Unable to read bitmap file header."},
    {IDS_BMP_NOT_VALID, "Not a Valid BITMAP File."},
    {IDS_BMP_INFO_UNREADABLE, "Unable to read bitmap info."},
    {IDS_BMP_FORMAT_UNSUPPORTED, "The bitmap format is not supported"},
    {IDS_BMP_BITS_UNREADABLE, "Unable to read bitmap."},
    {IDS_BMP_OUT_OF_MEMORY, "Out of memory."},
    {IDS_BMP_NONE_LOADED, "There is no Valid BITMAP."},
};
}  // namespace

const std::span<const StringEntry> kVideoStrings = kTable;

}  // namespace korvex
