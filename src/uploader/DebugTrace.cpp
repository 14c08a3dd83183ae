#include "uploader/DebugTrace.h"

#include "common/Paths.h"

#include <QFile>
#include <QSettings>

namespace korvex {

DebugTrace::DebugTrace(const QString& dir) : path_(JoinPath(dir, QString::fromLatin1(kFileName))) {
    const QSettings ini(JoinPath(dir, QString::fromLatin1(kSwitchFileName)), QSettings::IniFormat);
    enabled_ = ini.value(QStringLiteral("Mail/Debug"), 0).toInt() != 0;
}

void DebugTrace::Append(const QString& line) {
    if (!enabled_) {
        return;
    }
    QFile file(path_);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        file.write(line.toUtf8() + '\n');
    }
}

}  // namespace korvex
