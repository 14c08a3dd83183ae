#include "uploader/SmtpClient.h"

#include "common/strings/UploaderStrings.h"
#include "uploader/Base64Lines.h"
#include "uploader/DebugTrace.h"
#include "uploader/MimeMessage.h"
#include "uploader/UploaderLog.h"

#include <QSslCertificate>
#include <QSslConfiguration>

#include <algorithm>

namespace korvex {

namespace {
// The Windows Sockets codes the reports have always shown for these failures.
int WinsockCode(QAbstractSocket::SocketError error) {
    switch (error) {
        case QAbstractSocket::ConnectionRefusedError:
            return 10061;
        case QAbstractSocket::RemoteHostClosedError:
            return 10054;
        case QAbstractSocket::HostNotFoundError:
            return 11001;
        case QAbstractSocket::SocketAccessError:
            return 10013;
        case QAbstractSocket::SocketResourceError:
            return 10055;
        case QAbstractSocket::SocketTimeoutError:
            return 10060;
        case QAbstractSocket::NetworkError:
            return 10050;
        case QAbstractSocket::AddressInUseError:
            return 10048;
        case QAbstractSocket::SocketAddressNotAvailableError:
            return 10049;
        case QAbstractSocket::UnsupportedSocketOperationError:
            return 10045;
        default:
            return 10022;
    }
}

constexpr int kInvalidArgumentCode = 10022;

bool HasLineBreak(const QString& text) {
    return text.contains(u'\r') || text.contains(u'\n') || text.contains(QChar(0));
}

QByteArray Line(const QByteArray& text) {
    return text + "\r\n";
}
}  // namespace

SmtpClient::SmtpClient(UploaderLog& log, DebugTrace& trace, QObject* parent)
    : QObject(parent), log_(log), trace_(trace) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &SmtpClient::OnTimeout);
}

SmtpClient::~SmtpClient() {
    DropSocket(false);
}

void SmtpClient::Configure(const SmtpSettings& settings) {
    settings_ = settings;
    recipients_ = MimeMessage::SplitRecipients(settings.recipients);
    attachmentName_ = MimeMessage::AttachmentName(settings.attachmentName);
    repeatMailFrom_ = true;
}

bool SmtpClient::Connect() {
    if (connecting_) {
        return false;
    }
    const QString fields[] = {settings_.host,       settings_.sender,  settings_.senderName,
                              settings_.recipients, settings_.subject, attachmentName_,
                              settings_.user};
    if (std::any_of(std::begin(fields), std::end(fields), HasLineBreak)) {
        log_.Report(Str(IDS_SMTP_LINE_BREAK_IN_SETTINGS));
        return false;
    }
    if (recipients_.isEmpty()) {
        log_.Report(Str(IDS_SMTP_NO_RECIPIENT));
        return false;
    }
    if (!settings_.user.isEmpty() && settings_.security == SmtpSecurity::None) {
        log_.Report(Str(IDS_SMTP_AUTH_NEEDS_TLS));
        return false;
    }

    DropSocket(false);
    parser_.Clear();
    finished_ = false;
    streaming_ = false;
    tlsErrors_.clear();
    socket_ = new QSslSocket(this);
    if (settings_.security != SmtpSecurity::None) {
        if (!QSslSocket::supportsSsl()) {
            DropSocket(false);
            log_.Report(Str(IDS_SMTP_TLS_FAILED).arg(QSslSocket::sslLibraryVersionString()));
            return false;
        }
        QSslConfiguration config = socket_->sslConfiguration();
        if (!settings_.caFile.isEmpty()) {
            const QList<QSslCertificate> extra = QSslCertificate::fromPath(settings_.caFile);
            if (extra.isEmpty()) {
                DropSocket(false);
                log_.Report(Str(IDS_SMTP_CA_FILE_UNREADABLE).arg(settings_.caFile));
                return false;
            }
            config.addCaCertificates(extra);
        }
        config.setPeerVerifyMode(QSslSocket::VerifyPeer);
        socket_->setSslConfiguration(config);
        socket_->setPeerVerifyName(settings_.host);
    }
    connect(socket_, &QSslSocket::connected, this, &SmtpClient::OnConnected);
    connect(socket_, &QSslSocket::encrypted, this, &SmtpClient::OnEncrypted);
    connect(socket_, &QSslSocket::readyRead, this, &SmtpClient::OnReadyRead);
    connect(socket_, &QSslSocket::bytesWritten, this, &SmtpClient::OnBytesWritten);
    connect(socket_, &QSslSocket::errorOccurred, this, &SmtpClient::OnSocketError);
    connect(socket_, &QSslSocket::disconnected, this, &SmtpClient::OnDisconnected);
    connect(socket_, &QSslSocket::sslErrors, this, [this](const QList<QSslError>& errors) {
        for (const QSslError& error : errors) {
            tlsErrors_ +=
                (tlsErrors_.isEmpty() ? QString() : QStringLiteral("; ")) + error.errorString();
        }
    });

    connecting_ = true;
    step_ = kConnecting;
    const auto port = static_cast<quint16>(std::clamp(settings_.port, 1, 65535));
    if (settings_.security == SmtpSecurity::Tls) {
        socket_->connectToHostEncrypted(settings_.host, port);
    } else {
        socket_->connectToHost(settings_.host, port);
    }
    ArmTimer();
    return true;
}

void SmtpClient::Reset() {
    Stop(false);
    step_ = kIdle;
}

void SmtpClient::Stop(bool graceful) {
    finished_ = true;
    streaming_ = false;
    connecting_ = false;
    reader_.Close();
    timer_.stop();
    DropSocket(graceful);
}

void SmtpClient::OnConnected() {
    connecting_ = false;
    const int sendBuffer =
        socket_->socketOption(QAbstractSocket::SendBufferSizeSocketOption).toInt();
    bufferBytes_ = static_cast<std::size_t>(std::max(1024, sendBuffer / 4));
    ArmTimer();
}

void SmtpClient::OnEncrypted() {
    if (finished_) {
        return;
    }
    if (step_ == kTlsHandshake) {
        Send(Line("EHLO " + QByteArray(kHeloName)));
        step_ = kHeloSent;
        Notify(kNotifyStep, step_);
    } else {
        ArmTimer();
    }
}

void SmtpClient::OnReadyRead() {
    if (finished_ || step_ == kTlsHandshake) {
        return;
    }
    const QByteArray data = socket_->readAll();
    parser_.Append(std::span(reinterpret_cast<const uint8_t*>(data.constData()),
                             static_cast<std::size_t>(data.size())));
    while (!finished_ && step_ != kTlsHandshake) {
        const std::optional<SmtpReply> reply = parser_.Take();
        if (!reply) {
            break;
        }
        for (const std::string& line : reply->lines) {
            trace_.Append(QString::fromUtf8(line));
        }
        ProcessReply(*reply);
    }
    if (!finished_ && parser_.Invalid()) {
        Fail(Str(IDS_SMTP_REPLY_TOO_LONG), step_);
    }
}

void SmtpClient::ProcessReply(const SmtpReply& reply) {
    timer_.stop();
    const int code = reply.code;
    const QString text = QString::fromUtf8(reply.Text());
    switch (step_) {
        case kConnecting:
            if (code != 220) {
                return Fail(Str(IDS_SMTP_FAILED_TO_CONNECT) + settings_.host, step_);
            }
            AfterGreetingOrHandshake();
            break;
        case kHeloSent:
            if (code != 250) {
                return Fail(Str(IDS_SMTP_UNKNOWN_DOMAIN) + QString::fromLatin1(kHeloName), step_);
            }
            if (settings_.security == SmtpSecurity::None) {
                SendMailFrom();
            } else {
                AfterEhlo(reply);
            }
            break;
        case kStartTlsSent:
            if (code != 220) {
                return Fail(Str(IDS_SMTP_STARTTLS_REFUSED) + text, step_);
            }
            // Whatever came in the clear after the server's consent is not trusted.
            parser_.Clear();
            socket_->readAll();
            step_ = kTlsHandshake;
            socket_->startClientEncryption();
            ArmTimer();
            break;
        case kAuthLoginSent:
            if (code != 334) {
                return Fail(Str(IDS_SMTP_AUTH_FAILED) + text, step_);
            }
            Send(Line(settings_.user.toUtf8().toBase64()), "(user name)");
            step_ = kAuthUserSent;
            break;
        case kAuthUserSent:
            if (code != 334) {
                return Fail(Str(IDS_SMTP_AUTH_FAILED) + text, step_);
            }
            Send(Line(settings_.password.toUtf8().toBase64()), "(password)");
            step_ = kAuthPasswordSent;
            break;
        case kAuthPlainSent:
        case kAuthPasswordSent:
            if (code != 235) {
                return Fail(Str(IDS_SMTP_AUTH_FAILED) + text, step_);
            }
            SendMailFrom();
            break;
        case kMailFromSent:
            if (code != 250) {
                if (!repeatMailFrom_) {
                    return Fail(Str(IDS_SMTP_INVALID_SENDER) + settings_.sender, step_);
                }
                repeatMailFrom_ = false;
                SendMailFrom();
                break;
            }
            nextRecipient_ = 0;
            SendRecipient();
            break;
        case kRcptToSent:
            if (code != 250 && code != 251) {
                return Fail(Str(IDS_SMTP_INVALID_RECEIVER) + recipients_.value(nextRecipient_),
                            step_);
            }
            ++nextRecipient_;
            if (nextRecipient_ < recipients_.size()) {
                SendRecipient();
            } else {
                Send(Line("DATA"));
                step_ = kDataSent;
            }
            break;
        case kDataSent:
            if (streaming_) {
                // The server answered before the end of the data: it has refused the mail.
                return Fail(Str(IDS_SMTP_MAIL_REFUSED) + text, step_);
            }
            if (code != 354) {
                return Fail(Str(IDS_SMTP_UNABLE_TO_SEND_DATA), step_);
            }
            StartMessage();
            return;
        case kMessageSent:
            // Only a 2xx reply to the end of the data means the server took the mail.
            if (code / 100 != 2) {
                return Fail(Str(IDS_SMTP_MAIL_REFUSED) + text, step_);
            }
            Send(Line("QUIT"));
            step_ = kQuitSent;
            break;
        case kQuitSent:
            return Complete();
        default:
            return;
    }
    if (!finished_) {
        Notify(kNotifyStep, step_);
    }
}

void SmtpClient::AfterGreetingOrHandshake() {
    const QByteArray verb = settings_.security == SmtpSecurity::None ? "HELO " : "EHLO ";
    Send(Line(verb + kHeloName));
    step_ = kHeloSent;
}

void SmtpClient::AfterEhlo(const SmtpReply& reply) {
    if (settings_.security == SmtpSecurity::StartTls && !socket_->isEncrypted()) {
        if (!reply.HasExtension("STARTTLS")) {
            return Fail(Str(IDS_SMTP_STARTTLS_REFUSED) + settings_.host, step_);
        }
        Send(Line("STARTTLS"));
        step_ = kStartTlsSent;
        return;
    }
    if (settings_.user.isEmpty()) {
        return SendMailFrom();
    }
    const std::vector<std::string> mechanisms = reply.ExtensionParameters("AUTH");
    const auto offers = [&mechanisms](const char* name) {
        return std::find(mechanisms.begin(), mechanisms.end(), name) != mechanisms.end();
    };
    if (offers("PLAIN")) {
        const QByteArray token =
            '\0' + settings_.user.toUtf8() + '\0' + settings_.password.toUtf8();
        Send(Line("AUTH PLAIN " + token.toBase64()), "AUTH PLAIN (credentials)");
        step_ = kAuthPlainSent;
    } else if (offers("LOGIN")) {
        Send(Line("AUTH LOGIN"));
        step_ = kAuthLoginSent;
    } else {
        Fail(Str(IDS_SMTP_AUTH_NOT_OFFERED), step_);
    }
}

void SmtpClient::SendMailFrom() {
    Send(Line("MAIL FROM:<" + settings_.sender.toUtf8() + ">"));
    step_ = kMailFromSent;
}

void SmtpClient::SendRecipient() {
    Send(Line("RCPT TO:<" + recipients_.at(nextRecipient_).toUtf8() + ">"));
    step_ = kRcptToSent;
}

// The attachment is opened before the first byte of the message goes out, and a read
// error aborts the connection: the server then discards the partial message instead of
// delivering it as complete.
void SmtpClient::StartMessage() {
    if (!reader_.Open(settings_.attachmentPath)) {
        log_.Report(reader_.Error());
        return Fail(Str(IDS_SMTP_UNABLE_TO_SEND_DATA), kDataSent);
    }
    const QByteArray parts = MimeMessage::PartHeaders(attachmentName_);
    if (static_cast<std::size_t>(parts.size()) >= bufferBytes_) {
        log_.Report(Str(IDS_SMTP_BUFFER_TOO_SMALL));
        return Fail(Str(IDS_SMTP_UNABLE_TO_SEND_DATA), kDataSent);
    }
    const QByteArray fields = MimeMessage::HeaderFields(settings_.senderName, settings_.sender,
                                                        recipients_, settings_.subject);
    streaming_ = true;
    bodyBytes_ = fields.size() + parts.size();
    Write(fields);
    Write(parts);
    if (!finished_) {
        SendNextChunks();
    }
}

void SmtpClient::SendNextChunks() {
    const std::size_t chunkBytes = Base64ChunkBytes(bufferBytes_);
    std::string encoded;
    while (streaming_ && static_cast<std::size_t>(socket_->bytesToWrite()) < bufferBytes_) {
        switch (reader_.Read(chunkBytes, chunk_)) {
            case AttachmentReader::ReadStatus::Failed:
                log_.Report(reader_.Error());
                return Fail(Str(IDS_SMTP_UNABLE_TO_SEND_DATA), kDataSent);
            case AttachmentReader::ReadStatus::End:
                return FinishMessage();
            case AttachmentReader::ReadStatus::Data:
                break;
        }
        encoded.clear();
        AppendBase64Lines(chunk_, encoded);
        Write(QByteArray(encoded.data(), static_cast<qsizetype>(encoded.size())));
        if (finished_) {
            return;
        }
        bodyBytes_ += static_cast<qint64>(encoded.size());
        Notify(kNotifyProgress, bodyBytes_);
        if (finished_) {
            return;
        }
    }
    ArmTimer();
}

void SmtpClient::FinishMessage() {
    reader_.Close();
    streaming_ = false;
    Write(MimeMessage::ClosingDelimiter() + MimeMessage::EndOfData());
    if (finished_) {
        return;
    }
    step_ = kMessageSent;
    ArmTimer();
    Notify(kNotifyStep, step_);
}

void SmtpClient::OnBytesWritten() {
    if (finished_) {
        return;
    }
    ArmTimer();
    if (streaming_) {
        SendNextChunks();
    }
}

void SmtpClient::Complete() {
    step_ = kIdle;
    Stop(true);
    Notify(kNotifyStep, kIdle);
    Post(kNotifySent, kNotifySent);
}

// Once QUIT is sent the server has taken the mail; a connection that ends or stays silent
// now does not undo that.
void SmtpClient::OnSocketError(QAbstractSocket::SocketError error) {
    if (finished_) {
        return;
    }
    if (step_ == kQuitSent) {
        return Complete();
    }
    if (error == QAbstractSocket::SslHandshakeFailedError ||
        error == QAbstractSocket::SslInvalidUserDataError ||
        error == QAbstractSocket::SslInternalError) {
        const QString reason = tlsErrors_.isEmpty() ? socket_->errorString() : tlsErrors_;
        return Fail(Str(IDS_SMTP_TLS_FAILED).arg(reason), step_);
    }
    FailSocket(WinsockCode(error));
}

void SmtpClient::OnDisconnected() {
    if (finished_) {
        return;
    }
    if (step_ == kQuitSent) {
        return Complete();
    }
    FailSocket(WinsockCode(QAbstractSocket::RemoteHostClosedError));
}

void SmtpClient::OnTimeout() {
    if (finished_) {
        return;
    }
    if (step_ == kQuitSent) {
        return Complete();
    }
    Fail(Str(IDS_CONNECTION_TIMEOUT), step_);
}

void SmtpClient::Send(const QByteArray& command, const QByteArray& traceText) {
    trace_.Append(QString::fromUtf8(traceText.isEmpty() ? command.trimmed() : traceText));
    Write(command);
    if (!finished_) {
        ArmTimer();
    }
}

void SmtpClient::Write(const QByteArray& bytes) {
    if (finished_) {
        return;
    }
    if (socket_->write(bytes) != bytes.size()) {
        FailSocket(WinsockCode(socket_->error()));
    }
}

void SmtpClient::Fail(const QString& text, int notifyValue) {
    log_.Report(text);
    Stop(false);
    Notify(kNotifyFailed, notifyValue);
}

void SmtpClient::FailSocket(int code) {
    log_.Report(Str(IDS_SMTP_SOCKET_ERROR).arg(code));
    if (code == kInvalidArgumentCode) {
        log_.Report(Str(IDS_SMTP_INVALID_CONNECTION));
    }
    Stop(false);
    Post(kNotifyFailed, code);
}

void SmtpClient::Notify(int notification, qint64 value) {
    emit WM_SMTP_NOTIFY(notification, value);
}

void SmtpClient::Post(int notification, qint64 value) {
    QMetaObject::invokeMethod(
        this, [this, notification, value] { emit WM_SMTP_NOTIFY(notification, value); },
        Qt::QueuedConnection);
}

void SmtpClient::DropSocket(bool graceful) {
    if (socket_ == nullptr) {
        return;
    }
    socket_->disconnect(this);
    if (graceful) {
        socket_->disconnectFromHost();
    } else {
        socket_->abort();
    }
    socket_->deleteLater();
    socket_ = nullptr;
}

void SmtpClient::ArmTimer() {
    timer_.start(timeoutMs_);
}

}  // namespace korvex
