#include "uploader/FtpConnection.h"

#include <QFile>
#include <QUrl>

#include <curl/curl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace korvex {

namespace {
constexpr long kConnectTimeoutMs = 30000;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

int Progress(void* stopFlag, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* stop = static_cast<const std::atomic<bool>*>(stopFlag);
    return stop != nullptr && stop->load() ? 1 : 0;
}
}  // namespace

// The curl handle, cleaned up with its owner.
struct FtpConnection::Handle {
    explicit Handle(CURL* handle) : curl(handle) {}
    ~Handle() { curl_easy_cleanup(curl); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    CURL* curl;
    char errorBuffer[CURL_ERROR_SIZE] = {};
};

FtpConnection::FtpConnection() {
    static std::once_flag globalInit;
    std::call_once(globalInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    if (CURL* curl = curl_easy_init()) {
        handle_ = std::make_unique<Handle>(curl);
    }
}

FtpConnection::~FtpConnection() = default;

bool FtpConnection::Open(const QString& host, int port, const QString& user,
                         const QString& password) {
    QUrl url;
    url.setScheme(QStringLiteral("ftp"));
    url.setHost(host);
    url.setPort(port);
    url.setPath(QStringLiteral("/"));
    base_ = url.toEncoded();
    CURL* curl = handle_->curl;
    const QByteArray userBytes = user.toUtf8();
    const QByteArray passwordBytes = password.toUtf8();
    curl_easy_setopt(curl, CURLOPT_USERNAME, userBytes.constData());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, passwordBytes.constData());
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, handle_->errorBuffer);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FTPPORT, "-");
    curl_easy_setopt(curl, CURLOPT_FTP_USE_EPRT, 1L);
    curl_easy_setopt(curl, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &Progress);
    if (!Perform(QByteArray(), false, nullptr, 0)) {
        return false;
    }
    char* entry = nullptr;
    curl_easy_getinfo(curl, CURLINFO_FTP_ENTRY_PATH, &entry);
    home_ = entry != nullptr ? QString::fromUtf8(entry) : QStringLiteral("/");
    current_.clear();
    return true;
}

QByteArray FtpConnection::DirectoryPath(const QString& dir) const {
    QByteArray path;
    if (dir.startsWith(u'/')) {
        // "%2F" makes the path absolute instead of relative to the login directory.
        path = "%2F";
    }
    for (const QString& part : dir.split(u'/', Qt::SkipEmptyParts)) {
        path += QUrl::toPercentEncoding(part) + '/';
    }
    return path;
}

bool FtpConnection::ChangeDirectory(const QString& dir) {
    if (dir.isEmpty()) {
        current_.clear();
        return true;
    }
    if (!Perform(DirectoryPath(dir), false, nullptr, 0)) {
        return false;
    }
    current_ = dir;
    return true;
}

bool FtpConnection::PutFile(const QString& localPath, const QString& remoteName) {
    std::unique_ptr<std::FILE, FileCloser> file(
        std::fopen(QFile::encodeName(localPath).constData(), "rb"));
    if (!file) {
        error_ = localPath + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        timedOut_ = false;
        return false;
    }
    std::fseek(file.get(), 0, SEEK_END);
    const long long size = std::ftell(file.get());
    std::rewind(file.get());
    return Perform(DirectoryPath(current_) + QUrl::toPercentEncoding(remoteName), true, file.get(),
                   size);
}

bool FtpConnection::Perform(const QByteArray& path, bool upload, void* file, long long size) {
    CURL* curl = handle_->curl;
    const QByteArray url = base_ + path;
    handle_->errorBuffer[0] = '\0';
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeoutMs_);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(stop_));
    curl_easy_setopt(curl, CURLOPT_NOBODY, upload ? 0L : 1L);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, upload ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_READDATA, file);
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(upload ? size : -1));
    const CURLcode result = curl_easy_perform(curl);
    curl_easy_setopt(curl, CURLOPT_READDATA, nullptr);
    timedOut_ = result == CURLE_OPERATION_TIMEDOUT;
    if (result == CURLE_OK) {
        error_.clear();
        return true;
    }
    error_ = QString::fromUtf8(handle_->errorBuffer[0] != '\0' ? handle_->errorBuffer
                                                               : curl_easy_strerror(result));
    return false;
}

}  // namespace korvex
