#include "common/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace korvex {

namespace {
QString EnvPath(const char* name) {
    return QString::fromLocal8Bit(qgetenv(name));
}

QString XdgHome(const char* variable, const char* fallback) {
    QString dir = EnvPath(variable);
    if (dir.isEmpty()) {
        dir = QDir::homePath() + QLatin1String(fallback);
    }
    return dir;
}
}  // namespace

QString SettingsFilePath() {
    const QString path = EnvPath("KORVEX_SETTINGS");
    if (!path.isEmpty()) {
        return path;
    }
    return XdgHome("XDG_CONFIG_HOME", "/.config") + QStringLiteral("/Quorvane/KORVEX!.conf");
}

QString ProgramDir() {
    const QFileInfo exe(QStringLiteral("/proc/self/exe"));
    return QFileInfo(exe.symLinkTarget()).absolutePath();
}

QString DataDir() {
    QString dir = EnvPath("KORVEX_DATA_DIR");
    if (dir.isEmpty()) {
        const QString programDir = ProgramDir();
        if (access(QFile::encodeName(programDir).constData(), W_OK) == 0) {
            dir = programDir;
        } else {
            dir = XdgHome("XDG_DATA_HOME", "/.local/share") + QStringLiteral("/Quorvane/KORVEX!");
        }
    }
    QDir().mkpath(dir);
    return dir;
}

QString JoinPath(const QString& dir, const QString& name) {
    if (dir.isEmpty() || dir.endsWith(u'/')) {
        return dir + name;
    }
    return dir + u'/' + name;
}

}  // namespace korvex
