#pragma once

#include <QString>

namespace korvex {

// The SMTP trace "PostrixDbg.txt": on when the integer "Debug" in section "Mail" of
// "Postrix.ini" (both in the data directory) is not 0. Each line sent or received is
// appended as one line.
class DebugTrace {
public:
    explicit DebugTrace(const QString& dir);

    bool Enabled() const { return enabled_; }
    void Append(const QString& line);

    static constexpr const char* kFileName = "PostrixDbg.txt";
    static constexpr const char* kSwitchFileName = "Postrix.ini";

private:
    bool enabled_ = false;
    QString path_;
};

}  // namespace korvex
