#include "video/FileCopy.h"

#include "common/strings/VideoStrings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

QString PartPath(const QString& target) {
    const QFileInfo info(target);
    return info.dir().filePath(QStringLiteral(".") + info.fileName() + QStringLiteral(".part"));
}

bool MoveIntoPlace(const QString& part, const QString& target) {
    const QByteArray partName = QFile::encodeName(part);
    if (std::rename(partName.constData(), QFile::encodeName(target).constData()) == 0) {
        return true;
    }
    std::remove(partName.constData());
    return false;
}

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
