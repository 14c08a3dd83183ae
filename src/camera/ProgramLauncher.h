#pragma once

#include <QString>
#include <QStringList>

namespace korvex {

// Starts a program detached for the alert actions: the path and each switch as separate
// arguments, never through a shell, so paths with blanks or shell characters work and inject
// nothing. On failure returns false and the system's reason in `errorText`.
bool StartProgram(const QString& program, const QStringList& arguments, QString* errorText);

}  // namespace korvex
