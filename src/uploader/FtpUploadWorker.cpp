#include "uploader/FtpUploadWorker.h"

#include "common/strings/UploaderStrings.h"
#include "uploader/FtpConnection.h"

#include <QFileInfo>

namespace korvex {

FtpUploadWorker::FtpUploadWorker(QObject* parent) : QObject(parent) {}

FtpUploadWorker::~FtpUploadWorker() {
    RequestStop();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void FtpUploadWorker::SetServer(const FtpServer& server) {
    std::lock_guard lock(mutex_);
    server_ = server;
}

void FtpUploadWorker::Enqueue(const FileTransfer& transfer) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(transfer);
    }
    wake_.notify_all();
}

std::size_t FtpUploadWorker::QueuedCount() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

bool FtpUploadWorker::Start() {
    std::lock_guard lock(mutex_);
    if (queue_.empty() || running_ || stop_ || state_ == kFailed) {
        return false;
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    running_ = true;
    thread_ = std::thread(&FtpUploadWorker::Run, this);
    return true;
}

void FtpUploadWorker::RequestStop() {
    {
        std::lock_guard lock(mutex_);
        if (!running_) {
            return;
        }
        stop_ = true;
    }
    wake_.notify_all();
}

bool FtpUploadWorker::WaitFinished(int timeoutMs) {
    std::unique_lock lock(mutex_);
    return wake_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !running_; });
}

void FtpUploadWorker::Fail(const QString& text) {
    state_ = kFailed;
    emit statusText(text);
    emit report(text);
}

void FtpUploadWorker::Run() {
    FtpServer server;
    {
        std::lock_guard lock(mutex_);
        server = server_;
    }
    std::unique_ptr<FtpConnection> connection;
    // A failure of the library: the time limit, then its own description.
    const auto libraryFailure = [this](const FtpConnection& c) {
        if (c.TimedOut()) {
            emit report(Str(IDS_CONNECTION_TIMEOUT));
        }
        Fail(c.ErrorText().isEmpty() ? Str(IDS_NO_INTERNET_SESSION)
                                     : Str(IDS_FTP_INET_ERROR).arg(c.ErrorText()));
    };
    int idlePasses = 0;
    while (!stop_) {
        FileTransfer entry;
        {
            std::unique_lock lock(mutex_);
            if (queue_.empty()) {
                if (++idlePasses > kMaxIdlePasses) {
                    break;
                }
                wake_.wait_for(lock, idlePass_, [this] { return stop_ || !queue_.empty(); });
                if (queue_.empty() && !stop_) {
                    lock.unlock();
                    emit WM_FTP_RESULT(1, kNoItem);
                }
                continue;
            }
            idlePasses = 0;
            entry = queue_.front();
        }

        if (!connection) {
            state_ = kBusy;
            connection = std::make_unique<FtpConnection>();
            if (!connection->Valid()) {
                Fail(Str(IDS_NO_INTERNET_SESSION));
                break;
            }
            connection->SetStopFlag(&stop_);
            connection->SetTimeoutMs(transferTimeoutMs_);
            if (!connection->Open(server.host, server.port, server.account, server.password)) {
                libraryFailure(*connection);
                break;
            }
        }

        const auto dropEntry = [this] {
            std::lock_guard lock(mutex_);
            queue_.pop_front();
        };
        if (!entry.remoteDir.isEmpty()) {
            emit statusText(Str(IDS_FTP_SETTING_REMOTE_DIR).arg(entry.remoteDir));
        }
        if (!connection->ChangeDirectory(entry.remoteDir)) {
            emit statusText(Str(IDS_FTP_REMOTE_DIR_FAILED).arg(entry.remoteDir));
            dropEntry();
            emit WM_FTP_RESULT(0, entry.item);
            emit report(Str(IDS_CHANGE_DIR_FAILED));
            state_ = kFailed;
            break;
        }

        const QString directory =
            entry.remoteDir.isEmpty() ? connection->HomeDirectory() : entry.remoteDir;
        emit statusText(Str(IDS_FTP_TRANSFERRING));
        emit statusText(
            Str(IDS_FTP_UPLOADING)
                .arg(QFileInfo(entry.watchedFile).fileName(),
                     directory + (directory.endsWith(u'/') ? "" : "/") + entry.remoteName));
        const bool uploaded = connection->PutFile(entry.tempCopy, entry.remoteName);
        dropEntry();
        emit WM_FTP_RESULT(uploaded ? 1 : 0, entry.item);
        if (!uploaded) {
            // A failed upload ends the run as failed; the idle report that follows a run
            // would otherwise announce a successful transfer.
            libraryFailure(*connection);
            emit report(Str(IDS_UPLOAD_FAILED));
            break;
        }
    }
    connection.reset();
    if (state_ != kFailed) {
        state_ = kDone;
    }
    {
        std::lock_guard lock(mutex_);
        running_ = false;
        stop_ = false;
    }
    wake_.notify_all();
    emit finished();
}

}  // namespace korvex
