#pragma once

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <csetjmp>

namespace korvex {

// The libjpeg error manager of our JPEG code: an error formats libjpeg's message into
// `message` and jumps back to the `setjmp` of the call that started the library work, which
// then releases its objects once, through their owners. Warnings are dropped.
struct JpegErrorManager {
    jpeg_error_mgr pub{};
    std::jmp_buf jump{};
    char message[JMSG_LENGTH_MAX] = {};

    // Fills `pub` with the standard manager and our exits; returns it for `cinfo.err`.
    jpeg_error_mgr* Install();
};

}  // namespace korvex
