#include "buffer/BufferFiles.h"

#include "buffer/FileHandle.h"
#include "common/Paths.h"
#include "common/TimeName.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace korvex {

namespace {

constexpr int kMaxAttempts = 1000;
constexpr size_t kCopyChunk = 1 << 20;

// Renames `from` to `to` unless `to` exists. Returns 0 or the errno of the failure (EEXIST
// when the name is taken).
int RenameNoReplace(const QString& from, const QString& to) {
    const QByteArray src = QFile::encodeName(from);
    const QByteArray dst = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // File systems without the flag: a hard link fails atomically on a taken name.
    if (::link(src.constData(), dst.constData()) == 0) {
        ::unlink(src.constData());
        return 0;
    }
    if (errno == EEXIST)
        return EEXIST;
    if (errno != EPERM && errno != EOPNOTSUPP)
        return errno;
    // File systems without links: check, then rename.
    struct stat st {};
    if (::lstat(dst.constData(), &st) == 0)
        return EEXIST;
    return ::rename(src.constData(), dst.constData()) == 0 ? 0 : errno;
}

// Places `from` in `dir` under the first free archive name of `t`.
BufferFileResult PlaceUnderFreeName(const QString& from, const QString& dir, std::time_t t) {
    BufferFileResult result;
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        const QString target = JoinPath(dir, ArchiveName(t, attempt));
        const int error = RenameNoReplace(from, target);
        if (error == 0) {
            result.path = target;
            return result;
        }
        if (error != EEXIST) {
            result.error = error;
            return result;
        }
    }
    result.error = EEXIST;
    return result;
}

// Copies the whole of `source` into a new hidden file in `dir` and flushes it to the disk.
// Returns the copy's path, or an empty text with `error` set.
QString CopyToTemporary(const QString& source, const QString& dir, int& error) {
    FileHandle in = FileHandle::Open(source, O_RDONLY);
    if (!in.IsOpen()) {
        error = errno;
        return {};
    }
    static int serial = 0;
    QString tempPath;
    FileHandle out;
    for (int attempt = 0; attempt < kMaxAttempts && !out.IsOpen(); ++attempt) {
        tempPath = JoinPath(dir, QStringLiteral(".%1.%2.%3.part")
                                     .arg(QFileInfo(source).fileName())
                                     .arg(::getpid())
                                     .arg(++serial));
        out = FileHandle::Open(tempPath, O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (!out.IsOpen() && errno != EEXIST)
            break;
    }
    if (!out.IsOpen()) {
        error = errno;
        return {};
    }
    std::vector<uint8_t> chunk(kCopyChunk);
    int64_t offset = 0;
    bool ok = true;
    for (;;) {
        const int64_t n = in.ReadAt(offset, chunk);
        if (n < 0 || (n > 0 && !out.WriteAt(offset, std::span(chunk).first(n)))) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        offset += n;
    }
    if (!ok || !out.DataSync() || !out.Close()) {
        error = errno != 0 ? errno : EIO;
        ::unlink(QFile::encodeName(tempPath).constData());
        return {};
    }
    return tempPath;
}

}  // namespace

QString ArchiveName(std::time_t t, int attempt) {
    const QString name = MakeTimeName(t, TimeNameForm::DateSecond, QStringLiteral("mv2"));
    if (attempt == 0)
        return name;
    return name.chopped(4) + QStringLiteral("_%1.mv2").arg(attempt + 1);
}

QString RecycledName(int counter) {
    return QStringLiteral("R%1.mv2").arg(counter, 4, 10, QLatin1Char('0'));
}

bool IsSameFile(const QString& a, const QString& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

BufferFileResult MoveToFreeName(const QString& source, const QString& dir, std::time_t t) {
    return PlaceUnderFreeName(source, dir, t);
}

BufferFileResult CopyToFreeName(const QString& source, const QString& dir, std::time_t t) {
    BufferFileResult result;
    const QString temp = CopyToTemporary(source, dir, result.error);
    if (temp.isEmpty())
        return result;
    result = PlaceUnderFreeName(temp, dir, t);
    if (!result.Ok())
        ::unlink(QFile::encodeName(temp).constData());
    return result;
}

BufferFileResult CopyReplacing(const QString& source, const QString& target) {
    BufferFileResult result;
    if (IsSameFile(source, target)) {
        result.sameFile = true;
        return result;
    }
    const QString temp = CopyToTemporary(source, QFileInfo(target).absolutePath(), result.error);
    if (temp.isEmpty())
        return result;
    if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) != 0) {
        result.error = errno;
        ::unlink(QFile::encodeName(temp).constData());
        return result;
    }
    result.path = target;
    return result;
}

}  // namespace korvex
