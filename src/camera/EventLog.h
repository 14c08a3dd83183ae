#pragma once

#include <QString>

#include <ctime>

namespace korvex {

// The camera program's event log "korvexlog.txt": each event is appended as its text on a
// line, then an empty line, the time stamp (MMDDYY_HHMMSS), ": " and the text again. A log
// that cannot be opened is skipped silently.
class EventLog {
public:
    explicit EventLog(QString directory);
    void Append(const QString& text, std::time_t now) const;
    QString FilePath() const;

private:
    QString directory_;
};

}  // namespace korvex
