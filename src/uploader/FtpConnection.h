#pragma once

#include <QString>

#include <atomic>
#include <memory>

namespace korvex {

// One FTP connection on libcurl: log in, read the login (home) directory, change to a
// remote directory and store files in binary mode with active transfers. Every request
// reuses the same curl handle and so the same control connection. Each request has a
// time limit; a set stop flag aborts a running request.
class FtpConnection {
public:
    FtpConnection();
    ~FtpConnection();
    FtpConnection(const FtpConnection&) = delete;
    FtpConnection& operator=(const FtpConnection&) = delete;

    // False when libcurl could not make a handle (no session).
    bool Valid() const { return handle_ != nullptr; }

    // Connects and logs in; the login directory is read right after.
    bool Open(const QString& host, int port, const QString& user, const QString& password);
    QString HomeDirectory() const { return home_; }

    // Changes to `dir` (relative to the login directory, or absolute); the login directory
    // for an empty `dir`. False, with ErrorText(), when the server refuses.
    bool ChangeDirectory(const QString& dir);
    // Stores `localPath` as `remoteName` in the current directory.
    bool PutFile(const QString& localPath, const QString& remoteName);

    // The library's description of the last failure; empty when it gives none.
    QString ErrorText() const { return error_; }
    // True when the last failure was the time limit.
    bool TimedOut() const { return timedOut_; }

    void SetTimeoutMs(long ms) { timeoutMs_ = ms; }
    void SetStopFlag(const std::atomic<bool>* stop) { stop_ = stop; }

private:
    struct Handle;
    bool Perform(const QByteArray& path, bool upload, void* file, long long size);
    QByteArray DirectoryPath(const QString& dir) const;

    std::unique_ptr<Handle> handle_;
    QByteArray base_;
    QString home_;
    QString current_;
    QString error_;
    bool timedOut_ = false;
    long timeoutMs_ = 120000;
    const std::atomic<bool>* stop_ = nullptr;
};

}  // namespace korvex
