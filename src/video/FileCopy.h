#pragma once

#include "common/UserPrompt.h"

#include <QString>

namespace korvex {

// How a file copy ended: success, or the errno of the step that failed.
struct CopyResult {
    bool ok = false;
    int error = 0;
};

// Copies a file's bytes in chunks of 1000 bytes, replacing the target. Succeeds only when
// every read, write and close did; a read error also shows "File read error".
CopyResult CopyFileBytes(const QString& source, const QString& target, UserPrompt& prompt);

// Files other programs read (alert images, "korvex.jpg") are written beside their name and
// renamed into place, so a reader never sees half a file. The name to write first:
// ".<name>.part" in the same directory.
QString PartPath(const QString& target);
// Renames the written part over `target`; on failure the part is removed.
bool MoveIntoPlace(const QString& part, const QString& target);

}  // namespace korvex
