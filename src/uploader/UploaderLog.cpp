#include "uploader/UploaderLog.h"

#include "common/Paths.h"

#include <QFile>

#include <ctime>

namespace korvex {

UploaderLog::UploaderLog(const Clock& clock, UserPrompt* prompt, const QString& dir)
    : clock_(clock), prompt_(prompt), path_(JoinPath(dir, QString::fromLatin1(kFileName))) {}

void UploaderLog::Report(const QString& message) {
    const std::time_t now = clock_.WallSeconds();
    char timeText[32] = {};
    ctime_r(&now, timeText);
    const QByteArray line = QByteArray(timeText, 24) + ": " + message.toLocal8Bit() + " \n";
    QFile file(path_);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        file.write(line);
    }
    if (prompt_ != nullptr) {
        prompt_->Message(message, PromptIcon::Warning);
    }
}

}  // namespace korvex
