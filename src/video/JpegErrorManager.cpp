#include "video/JpegErrorManager.h"

namespace korvex {

namespace {
[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->message);
    std::longjmp(manager->jump, 1);
}

void OutputMessage(j_common_ptr) {}
}  // namespace

jpeg_error_mgr* JpegErrorManager::Install() {
    jpeg_std_error(&pub);
    pub.error_exit = ErrorExit;
    pub.output_message = OutputMessage;
    message[0] = '\0';
    return &pub;
}

}  // namespace korvex
