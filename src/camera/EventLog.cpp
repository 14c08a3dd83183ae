#include "camera/EventLog.h"

#include "common/Paths.h"
#include "common/TimeName.h"

#include <QFile>

namespace korvex {

EventLog::EventLog(QString directory) : directory_(std::move(directory)) {}

QString EventLog::FilePath() const {
    return JoinPath(directory_, QStringLiteral("korvexlog.txt"));
}

void EventLog::Append(const QString& text, std::time_t now) const {
    QFile file(FilePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        return;
    }
    QString stamp = MakeTimeName(now, TimeNameForm::DateSecond, QString());
    stamp.chop(1);  // the "." before the empty extension
    const QByteArray utf8 = text.toUtf8();
    file.write(utf8 + "\n\n" + stamp.toLatin1() + ": " + utf8 + "\n");
}

}  // namespace korvex
