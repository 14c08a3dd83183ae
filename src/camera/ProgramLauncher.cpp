#include "camera/ProgramLauncher.h"

#include <QProcess>

namespace korvex {

bool StartProgram(const QString& program, const QStringList& arguments, QString* errorText) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    if (process.startDetached()) {
        return true;
    }
    if (errorText) {
        *errorText = process.errorString();
    }
    return false;
}

}  // namespace korvex
