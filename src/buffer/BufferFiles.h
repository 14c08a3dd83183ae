#pragma once

#include <QString>

#include <ctime>

namespace korvex {

// The outcome of moving or copying a buffer file: where it went, or the errno of the
// failure. `sameFile` marks a copy refused because source and target are one file.
struct BufferFileResult {
    QString path;
    int error = 0;
    bool sameFile = false;
    bool Ok() const { return error == 0 && !sameFile; }
};

// The form-6 time name of a saved buffer ("MMDDYY_HHMMSS.mv2"); attempt n > 0 adds "_<n+1>"
// before the extension, for a second save in the same second.
QString ArchiveName(std::time_t t, int attempt);

// The name of recycled buffer `counter`: "R%.4d.mv2".
QString RecycledName(int counter);

// Whether both paths name one existing file (also through links).
bool IsSameFile(const QString& a, const QString& b);

// Moves `source` into `dir` under the first free archive name of time `t`. An existing file
// is never replaced, even when another program takes the name at the same moment.
BufferFileResult MoveToFreeName(const QString& source, const QString& dir, std::time_t t);

// Copies `source` into `dir` under the first free archive name of time `t`.
BufferFileResult CopyToFreeName(const QString& source, const QString& dir, std::time_t t);

// Copies `source` to `target`, replacing it as a whole: the copy is written beside the
// target and renamed over it, so a failed copy leaves the old target untouched. Refused
// when both name the same file.
BufferFileResult CopyReplacing(const QString& source, const QString& target);

}  // namespace korvex
