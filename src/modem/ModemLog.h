#pragma once

#include <QString>

namespace korvex {

// The modem log: one line "<context>: <text>" per event, appended to "modemlog.txt". A log
// made with an empty path writes nothing (benchmarks, fuzzing).
class ModemLog {
public:
    explicit ModemLog(QString path);
    // "modemlog.txt" in the data directory.
    static QString DefaultPath();

    // Starts the file afresh with its title and an empty line.
    bool Recreate();
    void Write(const QString& context, const QString& text);
    void Write(const QString& context, int textId);
    const QString& Path() const { return path_; }

private:
    QString path_;
};

}  // namespace korvex
