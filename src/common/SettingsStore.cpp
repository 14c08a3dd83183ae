#include "common/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace korvex {

namespace {
QString Key(const QString& section, const QString& name) {
    QString group = section;
    group.replace(u'\\', u'/');
    return group + u'/' + name;
}
}  // namespace

SettingsStore::SettingsStore(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    settings_ = std::make_unique<QSettings>(path, QSettings::IniFormat);
}

SettingsStore::~SettingsStore() {
    Sync();
}

int SettingsStore::Read(const IntSetting& s) const {
    return ReadInt(QString::fromLatin1(s.section), QString::fromLatin1(s.name), s.defaultValue,
                   s.minValue, s.maxValue);
}

QString SettingsStore::Read(const StringSetting& s) const {
    return ReadString(QString::fromLatin1(s.section), QString::fromLatin1(s.name),
                      QString::fromUtf8(s.defaultValue));
}

void SettingsStore::Write(const IntSetting& s, int value) {
    WriteInt(QString::fromLatin1(s.section), QString::fromLatin1(s.name), value);
}

void SettingsStore::Write(const StringSetting& s, const QString& value) {
    WriteString(QString::fromLatin1(s.section), QString::fromLatin1(s.name), value);
}

int SettingsStore::ReadInt(const QString& section, const QString& name, int defaultValue) const {
    bool ok = false;
    const int value = settings_->value(Key(section, name)).toInt(&ok);
    return ok ? value : defaultValue;
}

int SettingsStore::ReadInt(const QString& section, const QString& name, int defaultValue,
                           int minValue, int maxValue) const {
    return std::clamp(ReadInt(section, name, defaultValue), minValue, maxValue);
}

QString SettingsStore::ReadString(const QString& section, const QString& name,
                                  const QString& defaultValue) const {
    const QVariant value = settings_->value(Key(section, name));
    return value.isValid() ? value.toString() : defaultValue;
}

void SettingsStore::WriteInt(const QString& section, const QString& name, int value) {
    settings_->setValue(Key(section, name), value);
}

void SettingsStore::WriteString(const QString& section, const QString& name, const QString& value) {
    settings_->setValue(Key(section, name), value);
}

bool SettingsStore::Contains(const QString& section, const QString& name) const {
    return settings_->contains(Key(section, name));
}

void SettingsStore::Sync() {
    settings_->sync();
    QFile::setPermissions(settings_->fileName(), QFile::ReadOwner | QFile::WriteOwner);
}

QString SettingsStore::FilePath() const {
    return settings_->fileName();
}

int CapabilityFlags(const SettingsStore& store, const QString& programPath) {
    QString name = programPath.section(u'/', -1).section(u'\\', -1);
    name = name.section(u'.', 0, 0);
    if (name.isEmpty()) {
        return 0;
    }
    return store.ReadInt(QStringLiteral("Capabilities"), name, 0);
}

}  // namespace korvex
