#pragma once

#include "uploader/AttachmentReader.h"
#include "uploader/SmtpReplyParser.h"

#include <QObject>
#include <QPointer>
#include <QSslSocket>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <vector>

namespace korvex {

class DebugTrace;
class UploaderLog;

// How the connection to the mail server is protected ("Mail\" "Security").
enum class SmtpSecurity : int { None = 0, StartTls = 1, Tls = 2 };

// What one mail needs to know.
struct SmtpSettings {
    QString host;
    int port = 25;
    QString sender;
    QString senderName;
    QString recipients;
    QString subject;
    QString attachmentPath;
    // The name given for the attachment; only the part after its last '/' or '\' is shown.
    QString attachmentName;
    SmtpSecurity security = SmtpSecurity::None;
    QString user;
    QString password;
    // An extra CA certificate file (PEM) trusted beside the system's.
    QString caFile;
};

// The uploader's SMTP client: walks the dialogue one reply at a time, then streams the
// MIME message with the attachment in Base64, and reports through WM_SMTP_NOTIFY.
// Without security the dialogue is HELO, MAIL FROM (repeated once when refused), one
// RCPT TO per recipient, DATA, the message and QUIT. With STARTTLS or TLS it greets with
// EHLO, verifies the server's certificate and authenticates before MAIL FROM; a user name
// and password never travel outside TLS.
class SmtpClient : public QObject {
    Q_OBJECT

public:
    // Dialogue steps. 0 to 7 are the steps of the plain dialogue; the others occur only
    // with security on.
    enum Step : int {
        kIdle = 0,
        kConnecting = 1,
        kHeloSent = 2,
        kMailFromSent = 3,
        kRcptToSent = 4,
        kDataSent = 5,
        kMessageSent = 6,
        kQuitSent = 7,
        kStartTlsSent = 10,
        kTlsHandshake = 11,
        kAuthPlainSent = 12,
        kAuthLoginSent = 13,
        kAuthUserSent = 14,
        kAuthPasswordSent = 15,
    };

    // The first argument of WM_SMTP_NOTIFY.
    enum Notification : int {
        kNotifyProgress = 5,  // value: bytes of the message sent so far
        kNotifySent = 7,      // value: 7
        kNotifyFailed = 8,    // value: the step, a socket error code, or 5 for the message
        kNotifyStep = 9,      // value: the new step
    };

    static constexpr const char* kHeloName = "Unknown user";
    static constexpr int kDefaultTimeoutMs = 60000;

    SmtpClient(UploaderLog& log, DebugTrace& trace, QObject* parent = nullptr);
    ~SmtpClient() override;

    // Stores the values for the next mail and allows one repeat of MAIL FROM.
    void Configure(const SmtpSettings& settings);
    // Starts the connection. False, with the reason reported, when the settings are not
    // usable; ignored (false) while a connection attempt is in progress.
    bool Connect();
    // Closes the connection; step 0.
    void Reset();

    int CurrentStep() const { return step_; }
    // The longest wait for the server (a reply, the connection, the handshake, progress
    // of the data); the attempt fails with "Connection timeout." after it.
    void SetTimeoutMs(int ms) { timeoutMs_ = ms; }

signals:
    void WM_SMTP_NOTIFY(int notification, qint64 value);

private:
    void OnConnected();
    void OnEncrypted();
    void OnReadyRead();
    void OnBytesWritten();
    void OnSocketError(QAbstractSocket::SocketError error);
    void OnDisconnected();
    void OnTimeout();

    void ProcessReply(const SmtpReply& reply);
    void AfterGreetingOrHandshake();
    void AfterEhlo(const SmtpReply& reply);
    void SendMailFrom();
    void SendRecipient();
    void StartMessage();
    void SendNextChunks();
    void FinishMessage();
    // The server has taken the mail: step 0, notifications 9 and 7.
    void Complete();

    void Send(const QByteArray& command, const QByteArray& traceText = {});
    void Write(const QByteArray& bytes);
    void Fail(const QString& text, int notifyValue);
    void FailSocket(int code);
    void Notify(int notification, qint64 value);
    void Post(int notification, qint64 value);
    // Ends the attempt: no further event of the socket is handled; the step stays.
    void Stop(bool graceful);
    void DropSocket(bool graceful);
    void ArmTimer();

    UploaderLog& log_;
    DebugTrace& trace_;
    SmtpSettings settings_;
    QStringList recipients_;
    QString attachmentName_;

    QPointer<QSslSocket> socket_;
    QTimer timer_;
    SmtpReplyParser parser_;
    int timeoutMs_ = kDefaultTimeoutMs;
    int step_ = kIdle;
    int nextRecipient_ = 0;
    bool repeatMailFrom_ = false;
    bool connecting_ = false;
    bool streaming_ = false;
    bool finished_ = false;
    QString tlsErrors_;

    AttachmentReader reader_;
    std::size_t bufferBytes_ = 1024;
    std::vector<uint8_t> chunk_;
    qint64 bodyBytes_ = 0;
};

}  // namespace korvex
