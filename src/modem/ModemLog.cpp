#include "modem/ModemLog.h"

#include "common/Paths.h"
#include "common/StringTable.h"
#include "common/strings/ModemStrings.h"

#include <QFile>

namespace korvex {

ModemLog::ModemLog(QString path) : path_(std::move(path)) {}

QString ModemLog::DefaultPath() {
    return JoinPath(DataDir(), QStringLiteral("modemlog.txt"));
}

bool ModemLog::Recreate() {
    if (path_.isEmpty()) {
        return true;
    }
    QFile file(path_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    file.write(Str(IDS_MODEM_LOG_TITLE).toUtf8() + "\n\n");
    return true;
}

void ModemLog::Write(const QString& context, const QString& text) {
    if (path_.isEmpty()) {
        return;
    }
    QFile file(path_);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        file.write((context + QStringLiteral(": ") + text + QLatin1Char('\n')).toUtf8());
    }
}

void ModemLog::Write(const QString& context, int textId) {
    Write(context, Str(textId));
}

}  // namespace korvex
