#include "uploader/AttachmentReader.h"

#include "common/strings/UploaderStrings.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace korvex {

namespace {
QString SystemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}
}  // namespace

AttachmentReader::~AttachmentReader() {
    Close();
}

bool AttachmentReader::Open(const QString& path) {
    Close();
    path_ = path;
    bytesRead_ = 0;
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        error_ = Str(IDS_SMTP_UNABLE_TO_OPEN_FILE) + u' ' + path + u'.';
        return false;
    }
    struct stat info {};
    sizeAtOpen_ = ::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode) ? info.st_size : 0;
    return true;
}

void AttachmentReader::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

AttachmentReader::ReadStatus AttachmentReader::Read(std::size_t maxBytes,
                                                    std::vector<uint8_t>& chunk) {
    chunk.clear();
    if (fd_ < 0) {
        error_ = Str(IDS_SMTP_BASE64_INVALID);
        return ReadStatus::Failed;
    }
    chunk.resize(maxBytes);
    std::size_t filled = 0;
    while (filled < maxBytes) {
        const ssize_t n = ::read(fd_, chunk.data() + filled, maxBytes - filled);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            error_ = Str(IDS_SMTP_READ_ERROR).arg(path_, SystemText(errno));
            chunk.clear();
            return ReadStatus::Failed;
        }
        if (n == 0) {
            break;
        }
        filled += static_cast<std::size_t>(n);
    }
    chunk.resize(filled);
    bytesRead_ += static_cast<int64_t>(filled);
    if (filled == 0) {
        if (bytesRead_ < sizeAtOpen_) {
            error_ = Str(IDS_SMTP_READ_ERROR).arg(path_, Str(IDS_SMTP_FILE_SHRANK));
            return ReadStatus::Failed;
        }
        return ReadStatus::End;
    }
    return ReadStatus::Data;
}

}  // namespace korvex
