#include "support/TempDir.h"

#include <QFile>

namespace korvex::test {

TempDir::TempDir()
    : oldSettings_(qgetenv("KORVEX_SETTINGS")), oldData_(qgetenv("KORVEX_DATA_DIR")) {
    qputenv("KORVEX_SETTINGS", QFile::encodeName(SettingsPath()));
    qputenv("KORVEX_DATA_DIR", QFile::encodeName(Path()));
}

TempDir::~TempDir() {
    qputenv("KORVEX_SETTINGS", oldSettings_);
    qputenv("KORVEX_DATA_DIR", oldData_);
}

std::vector<uint8_t> ReadBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray data = file.readAll();
    return {data.begin(), data.end()};
}

void WriteBytes(const QString& path, const std::vector<uint8_t>& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    }
}

}  // namespace korvex::test
