#pragma once

#include "common/SettingsStore.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace korvex {

enum class FileItemKind { Ftp, Mail };

// One transfer a file item has queued.
struct FileTransfer {
    // The watched file, for display and for the name of a mail attachment.
    QString watchedFile;
    // The copy that is sent.
    QString tempCopy;
    // "%s%04d.%s": prefix, recycle number, extension of the watched file.
    QString remoteName;
    // The item's remote directory (FTP only; empty for the login directory).
    QString remoteDir;
    // The item's index among the items of its kind.
    int item = -1;
};

// The stored values of a file item, in section "Postrix/Ftp/NN" or "Postrix/Mail/NN".
struct FileItemSettings {
    QString localFile = QStringLiteral("Lookout.jpg");
    QString remoteDir;
    QString prefix = QStringLiteral("KFTP");
    int bufferLimit = 3;
    int recycleLimit = 10;
    int nextRecycle = 0;
};

// A watched file of the uploader: whenever it gets a newer modification time, a copy is
// taken under the item's own temporary name and queued for sending under the next
// recycled remote name. The recycle counter is written back at once, so it carries over
// to the next run.
class FileItem {
public:
    FileItem(FileItemKind kind, int index);

    // The items of one kind: "LPCount" of them, none when that is above 19.
    static std::vector<FileItem> LoadAll(const SettingsStore& store, FileItemKind kind);
    static int ItemCount(const SettingsStore& store, FileItemKind kind);

    void Load(const SettingsStore& store);
    void Save(SettingsStore& store) const;

    // "Postrix/Ftp/00", "Postrix/Mail/03".
    QString Section() const;
    // "Ftp00", "Mail03": the start of the names of the item's temporary copies.
    QString BaseName() const;

    struct TakeResult {
        std::optional<FileTransfer> transfer;
        // Set when a new version could not be copied.
        QString error;
    };
    // One watch tick of the item: when fewer than BufferLimit copies wait and the watched
    // file is newer than the last one taken, copies it to "<dataDir>/<base>TempFile.NNN"
    // and returns the transfer to queue.
    TakeResult TakeNewFile(SettingsStore& store, const QString& dataDir);
    // A queued transfer of this item has ended.
    void TransferDone();

    int QueuedCount() const { return queued_; }
    FileItemSettings settings;

private:
    // The watched file; when it does not exist under its own name, a file of its folder
    // whose name differs only in case ("Lookout.jpg" is the "lookout.jpg" that is written).
    QString ResolveWatchedFile() const;

    FileItemKind kind_;
    int index_;
    int queued_ = 0;
    int nextCopy_ = 0;
    std::optional<int64_t> lastModifiedMs_;
};

}  // namespace korvex
