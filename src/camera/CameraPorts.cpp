#include "camera/CameraPorts.h"

#include <QFile>

#include <sys/statvfs.h>

namespace korvex {

std::optional<DiskSpace> QueryDiskSpace(const QString& directory) {
    struct statvfs info {};
    if (statvfs(QFile::encodeName(directory).constData(), &info) != 0) {
        return std::nullopt;
    }
    return DiskSpace{static_cast<uint64_t>(info.f_bavail) * info.f_frsize,
                     static_cast<uint64_t>(info.f_blocks) * info.f_frsize};
}

}  // namespace korvex
