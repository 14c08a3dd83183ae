#include "uploader/FileItem.h"

#include "common/Paths.h"
#include "common/strings/UploaderStrings.h"
#include "uploader/UploaderSettings.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace korvex {

namespace {
const char* KindName(FileItemKind kind) {
    return kind == FileItemKind::Ftp ? "Ftp" : "Mail";
}

constexpr int kMaxBufferLimit = 999;
constexpr int kMaxRecycleLimit = 10000;
}  // namespace

FileItem::FileItem(FileItemKind kind, int index) : kind_(kind), index_(index) {}

int FileItem::ItemCount(const SettingsStore& store, FileItemKind kind) {
    const int count = store.ReadInt(QStringLiteral("Postrix/") + QLatin1String(KindName(kind)),
                                    QLatin1String(uploader_settings::kItemCountName), 0);
    return count < 0 || count > uploader_settings::kMaxItems ? 0 : count;
}

std::vector<FileItem> FileItem::LoadAll(const SettingsStore& store, FileItemKind kind) {
    std::vector<FileItem> items;
    const int count = ItemCount(store, kind);
    for (int i = 0; i < count; ++i) {
        items.emplace_back(kind, i);
        items.back().Load(store);
    }
    return items;
}

QString FileItem::Section() const {
    return QStringLiteral("Postrix/%1/%2")
        .arg(QLatin1String(KindName(kind_)))
        .arg(index_, 2, 10, QLatin1Char('0'));
}

QString FileItem::BaseName() const {
    return QStringLiteral("%1%2")
        .arg(QLatin1String(KindName(kind_)))
        .arg(index_, 2, 10, QLatin1Char('0'));
}

void FileItem::Load(const SettingsStore& store) {
    const QString section = Section();
    const FileItemSettings defaults;
    settings.localFile = store.ReadString(section, QStringLiteral("LocalFile"), defaults.localFile);
    settings.remoteDir = store.ReadString(section, QStringLiteral("RemoteDir"), QString());
    settings.prefix = store.ReadString(section, QStringLiteral("Prefix"), defaults.prefix);
    settings.bufferLimit = store.ReadInt(section, QStringLiteral("BufferLimit"),
                                         defaults.bufferLimit, 1, kMaxBufferLimit);
    settings.recycleLimit = store.ReadInt(section, QStringLiteral("RecycleLimit"),
                                          defaults.recycleLimit, 1, kMaxRecycleLimit);
    settings.nextRecycle =
        store.ReadInt(section, QStringLiteral("NextRecycle"), 0, 0, kMaxRecycleLimit - 1) %
        settings.recycleLimit;
}

void FileItem::Save(SettingsStore& store) const {
    const QString section = Section();
    store.WriteString(section, QStringLiteral("LocalFile"), settings.localFile);
    store.WriteString(section, QStringLiteral("RemoteDir"), settings.remoteDir);
    store.WriteString(section, QStringLiteral("Prefix"), settings.prefix);
    store.WriteInt(section, QStringLiteral("BufferLimit"), settings.bufferLimit);
    store.WriteInt(section, QStringLiteral("RecycleLimit"), settings.recycleLimit);
    store.WriteInt(section, QStringLiteral("NextRecycle"), settings.nextRecycle);
}

QString FileItem::ResolveWatchedFile() const {
    const QFileInfo info(settings.localFile);
    if (info.exists()) {
        return settings.localFile;
    }
    const QDir dir = info.dir();
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden)) {
        if (name.compare(info.fileName(), Qt::CaseInsensitive) == 0) {
            return dir.filePath(name);
        }
    }
    return settings.localFile;
}

FileItem::TakeResult FileItem::TakeNewFile(SettingsStore& store, const QString& dataDir) {
    if (queued_ >= settings.bufferLimit) {
        return {};
    }
    const QString watched = ResolveWatchedFile();
    const QFileInfo info(watched);
    if (!info.exists()) {
        return {};
    }
    const int64_t modifiedMs = info.lastModified().toMSecsSinceEpoch();
    if (lastModifiedMs_ && modifiedMs <= *lastModifiedMs_) {
        return {};
    }
    lastModifiedMs_ = modifiedMs;

    const QString copy =
        JoinPath(dataDir, QStringLiteral("%1TempFile.%2")
                              .arg(BaseName())
                              .arg(nextCopy_ % settings.bufferLimit, 3, 10, QLatin1Char('0')));
    QFile::remove(copy);
    if (!QFile::copy(watched, copy)) {
        return {std::nullopt, Str(IDS_ITEM_COPY_FAILED).arg(watched, copy)};
    }

    FileTransfer transfer;
    transfer.watchedFile = watched;
    transfer.tempCopy = copy;
    transfer.remoteName = QStringLiteral("%1%2.%3")
                              .arg(settings.prefix)
                              .arg(settings.nextRecycle, 4, 10, QLatin1Char('0'))
                              .arg(info.suffix());
    transfer.remoteDir = settings.remoteDir;
    transfer.item = index_;

    ++queued_;
    nextCopy_ = (nextCopy_ + 1) % settings.bufferLimit;
    settings.nextRecycle = (settings.nextRecycle + 1) % settings.recycleLimit;
    store.WriteInt(Section(), QStringLiteral("NextRecycle"), settings.nextRecycle);
    return {transfer, QString()};
}

void FileItem::TransferDone() {
    if (queued_ > 0) {
        --queued_;
    }
}

}  // namespace korvex
