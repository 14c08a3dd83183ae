#pragma once

#include "common/Clock.h"
#include "common/UserPrompt.h"

#include <QString>

namespace korvex {

// The uploader's error report: every message is appended to "PostrixLog.log" as
// "%s: %s \n" (the first 24 characters of ctime() and the message) and, when the program
// runs interactively, also shown through the prompt.
class UploaderLog {
public:
    // `prompt` is null when the program works unattended ("-launch", "-test").
    UploaderLog(const Clock& clock, UserPrompt* prompt, const QString& dir);

    void Report(const QString& message);
    QString FilePath() const { return path_; }

    static constexpr const char* kFileName = "PostrixLog.log";

private:
    const Clock& clock_;
    UserPrompt* prompt_;
    QString path_;
};

}  // namespace korvex
