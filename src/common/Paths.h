#pragma once

#include <QString>

namespace korvex {

// The settings file shared by the three programs: $KORVEX_SETTINGS, else
// $XDG_CONFIG_HOME/Quorvane/KORVEX!.conf.
QString SettingsFilePath();

// Where the executables lie.
QString ProgramDir();

// Where the programs write their own files (logs, "Waves.ini", temporary copies):
// $KORVEX_DATA_DIR; else the program directory when it is writable; else
// $XDG_DATA_HOME/Quorvane/KORVEX!. The directory is created when missing.
QString DataDir();

// `dir` + "/" + `name`.
QString JoinPath(const QString& dir, const QString& name);

}  // namespace korvex
