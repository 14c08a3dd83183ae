#include "camera/SoundList.h"

#include "common/Paths.h"

#include <QSettings>

namespace korvex {

namespace {
constexpr int kMaxText = 127;
}

SoundList SoundList::Load(const QString& iniPath, const QString& programDir) {
    SoundList list;
    const QSettings ini(iniPath, QSettings::IniFormat);
    const int total = ini.value(QStringLiteral("Entry/Total"), 0).toInt();
    for (int i = 0; i < total && i < 10000; ++i) {
        const QString key = QStringLiteral("wave%1").arg(i);
        QString path = ini.value(QStringLiteral("Wave/") + key).toString().left(kMaxText);
        if (path.isEmpty()) {
            break;
        }
        if (!path.contains(u'/')) {
            path = JoinPath(programDir, path);
        }
        list.entries_.push_back(
            {path, ini.value(QStringLiteral("Desc/") + key).toString().left(kMaxText)});
    }
    return list;
}

bool SoundList::Save(const QString& iniPath) const {
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.remove(QStringLiteral("Wave"));
    ini.remove(QStringLiteral("Desc"));
    ini.setValue(QStringLiteral("Entry/Total"), static_cast<int>(entries_.size()));
    for (size_t i = 0; i < entries_.size(); ++i) {
        const QString key = QStringLiteral("wave%1").arg(i);
        ini.setValue(QStringLiteral("Wave/") + key, entries_[i].path);
        ini.setValue(QStringLiteral("Desc/") + key, entries_[i].description);
    }
    ini.sync();
    return ini.status() == QSettings::NoError;
}

bool SoundList::Remove(int index) {
    if (entries_.size() <= 1 || index < 0 || index >= static_cast<int>(entries_.size())) {
        return false;
    }
    entries_.erase(entries_.begin() + index);
    return true;
}

int SoundList::Select(const QString& waveName) const {
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].path.compare(waveName, Qt::CaseInsensitive) == 0) {
            return static_cast<int>(i);
        }
    }
    return entries_.empty() ? -1 : 0;
}

}  // namespace korvex
