#pragma once

#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <vector>

namespace korvex::test {

// A directory of its own for one test, removed afterwards. It also points the settings
// file and the data directory of the programs into it, so no test touches a user's files.
class TempDir {
public:
    TempDir();
    ~TempDir();
    QString Path() const { return dir_.path(); }
    QString File(const QString& name) const { return dir_.filePath(name); }
    QString SettingsPath() const { return File(QStringLiteral("KORVEX!.conf")); }

private:
    QTemporaryDir dir_;
    QByteArray oldSettings_;
    QByteArray oldData_;
};

std::vector<uint8_t> ReadBytes(const QString& path);
void WriteBytes(const QString& path, const std::vector<uint8_t>& bytes);

}  // namespace korvex::test
