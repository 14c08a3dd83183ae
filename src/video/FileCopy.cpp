#include "video/FileCopy.h"

#include "common/strings/VideoStrings.h"

#include <cerrno>
#include <cstdio>
#include <memory>

namespace korvex {

namespace {
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;
}  // namespace

CopyResult CopyFileBytes(const QString& source, const QString& target, UserPrompt& prompt) {
    FilePtr in(std::fopen(source.toLocal8Bit().constData(), "rb"));
    if (!in) {
        return {false, errno};
    }
    FilePtr out(std::fopen(target.toLocal8Bit().constData(), "wb"));
    if (!out) {
        return {false, errno};
    }
    char chunk[1000];
    for (;;) {
        const size_t got = std::fread(chunk, 1, sizeof chunk, in.get());
        if (got > 0 && std::fwrite(chunk, 1, got, out.get()) != got) {
            return {false, errno};
        }
        if (got < sizeof chunk) {
            break;
        }
    }
    if (std::ferror(in.get())) {
        const int error = errno;
        prompt.Message(Str(IDS_FILE_READ_ERROR), PromptIcon::Error);
        return {false, error};
    }
    // Buffered bytes meet a full disk only here.
    if (std::fclose(out.release()) != 0) {
        return {false, errno};
    }
    return {true, 0};
}

}  // namespace korvex
