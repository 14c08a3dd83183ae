#pragma once

#include "uploader/FileItem.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace korvex {

// Where the worker uploads to.
struct FtpServer {
    QString host;
    int port = 21;
    QString account;
    QString password;
};

// Uploads the queued files of the FTP items on a thread of its own: one connection per
// run (opened on the first file, the login directory read right after), each file into
// its item's remote directory under its remote name. A run ends after 11 idle passes of
// 500 ms, on a stop request or on the first failure; a failed run stops the uploads of
// this program run (state failed).
//
// The signals are emitted on the worker thread; receivers in another thread get them
// queued, as the owner's window messages were posted.
class FtpUploadWorker : public QObject {
    Q_OBJECT

public:
    // Transfer states of the uploader's FTP side.
    enum State : int { kIdle = 30, kBusy = 31, kFailed = 32, kDone = 33 };
    // The item argument of WM_FTP_RESULT when the worker only reports that it waits.
    static constexpr int kNoItem = -1;
    static constexpr int kMaxIdlePasses = 10;

    explicit FtpUploadWorker(QObject* parent = nullptr);
    // Asks a running worker to stop and waits for it.
    ~FtpUploadWorker() override;

    void SetServer(const FtpServer& server);
    // Adds a file to the end of the queue.
    void Enqueue(const FileTransfer& transfer);
    // Starts a worker run when files are queued, none runs, no stop is pending and the
    // state is not failed. True when a run was started.
    bool Start();
    void RequestStop();
    // Waits up to `timeoutMs` for a run to end; true when none runs.
    bool WaitFinished(int timeoutMs);

    bool IsRunning() const { return running_; }
    int CurrentState() const { return state_; }
    std::size_t QueuedCount() const;

    void SetIdlePass(std::chrono::milliseconds pass) { idlePass_ = pass; }
    // The longest time one request (log-in, directory change, upload) may take.
    void SetTransferTimeoutMs(long ms) { transferTimeoutMs_ = ms; }

signals:
    // result 1 (success) or 0; item: the item of the tried upload, or kNoItem (with
    // result 1) while the worker waits for files.
    void WM_FTP_RESULT(int result, int item);
    // A line for the FTP status of the window.
    void statusText(const QString& text);
    // A failure for the uploader's log.
    void report(const QString& text);
    // A worker run has ended.
    void finished();

private:
    void Run();
    void Fail(const QString& text);

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<FileTransfer> queue_;
    FtpServer server_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> stop_{false};
    std::atomic<int> state_{kIdle};
    std::chrono::milliseconds idlePass_{500};
    long transferTimeoutMs_ = 120000;
};

}  // namespace korvex
