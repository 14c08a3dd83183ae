#include "common/strings/CameraStrings.h"

namespace korvex {

namespace {
const StringEntry kTable[] = {
    {IDS_INTERNAL_ERROR,
     "KORVEX! has met an internal error. Please report what you were doing to the KORVEX! "
     "support team by e-mail."},
    {IDS_UNIT_SEC, "sec"},
    {IDS_UNIT_MIN, "min"},
    {IDS_UNIT_HR, "hr"},
    {IDS_UNIT_KBYTES, "KBytes"},
    {IDS_UNIT_MBYTES, "MBytes"},
    {IDS_UNIT_GBYTES, "GBytes"},
    {IDS_UNSUPPORTED_FORMAT,
     "Unsupported video format.  Try choosing a RGB video format under Options > Video Format."},
    {IDS_SAVE_BUFFER_QUESTION, "Do you wish to save the video buffer?"},
    {IDS_STATUS_IDLE, "Idle"},
    {IDS_STATUS_WAITING, "Waiting..."},
    {IDS_STATUS_RECORDING, "Recording..."},
    {IDS_STATUS_HOLDING, "Holding..."},
    {IDS_STATUS_REARMING, "Re-arming..."},
    {IDS_STATUS_KORVEX, "KORVEX!"},
    {IDS_STATUS_ABORT_REARM, "Abort re-arm"},
    {IDS_STATUS_FUSE, "Fuse burning..."},
    {IDS_RESOURCE_CORRUPTED, "The resource file is corrupted. Try re-installing KORVEX!."},
    {IDS_NO_COMPRESSOR,
     "There is no valid compressor selected. Please select a different compressor."},
    {IDS_WORKDIR_INVALID_1, "The working directory "},
    {IDS_WORKDIR_INVALID_2,
     " is no longer valid. The current working directory has been changed to the location "
     "where korvex32.exe resides."},
    {IDS_STATUS_XMIT, "Transmitting..."},
    {IDS_WORKDIR_CHANGE_FAILED,
     "Unable to change the working directory. Make sure you have write permission for that "
     "directory and the disk is not write protected."},
    {IDS_LAUNCH_FAILED, "Failed to launch the application."},
    {IDS_SYSTEM_MESSAGE, "System Message"},
    {IDS_CLASS_REGISTRATION_FAILED, "Class Registration Failed"},
    {IDS_OTHER_SYSTEM_NOT_RESPONDING, "The other system is not responding"},
};
}  // namespace

const std::span<const StringEntry> kCameraStrings = kTable;

}  // namespace korvex
