#include "uploader/SmtpClient.h"

#include "common/Clock.h"
#include "common/UserPrompt.h"
#include "support/TempDir.h"
#include "uploader/DebugTrace.h"
#include "uploader/ServerProcess.h"
#include "uploader/UploaderLog.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTimer>

#include <gmock/gmock.h>

#include <random>

namespace korvex {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

QByteArray RandomBytes(int size, unsigned seed) {
    std::mt19937 generator(seed);
    QByteArray bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(generator() & 0xFF);
    }
    return bytes;
}

// The mail as the server stores it: the message up to the closing delimiter and its line
// end, without the end-of-data dot.
QByteArray ExpectedMail(const QByteArray& to, const QByteArray& name, const QByteArray& data) {
    QByteArray mail = "From:\"Cam Watch\"<cam@example.org>\r\nTo: " + to +
                      "\r\nSubject: KORVEX! Alert!\r\n"
                      "MIME-Version: 1.0\r\n"
                      "Content-Type: multipart/mixed;\r\n"
                      "\tboundary=\"======Boundary======\"\r\n"
                      "\r\n"
                      "This is a multi-part message in MIME format.\r\n"
                      "\r\n--======Boundary======\r\n"
                      "Content-Type: text/plain;\r\n"
                      "\tcharset=\"iso-8859-1\"\r\n"
                      "Content-Transfer-Encoding: 7bit\r\n"
                      "\r\n\r\n"
                      "\r\n--======Boundary======\r\n"
                      "Content-Type: image/jpeg;\r\n"
                      "\tname=\"" +
                      name +
                      "\"\r\n"
                      "Content-Transfer-Encoding: base64\r\n"
                      "Content-Disposition: attachment;\r\n"
                      "\tfilename=\"" +
                      name + "\"\r\n\r\n";
    const QByteArray base64 = data.toBase64();
    for (qsizetype i = 0; i < base64.size(); i += 76) {
        mail += base64.mid(i, 76) + "\r\n";
    }
    return mail + "\r\n--======Boundary======--\r\n";
}

class SmtpClientTest : public ::testing::Test {
protected:
    SmtpClientTest()
        : log_(clock_, &prompt_, temp_.Path()),
          trace_((WriteDebugSwitch(), temp_.Path())),
          client_(log_, trace_) {
        QDir().mkpath(MailDir());
        QObject::connect(&client_, &SmtpClient::WM_SMTP_NOTIFY,
                         [this](int code, qint64 value) { notes_.emplace_back(code, value); });
    }

    void WriteDebugSwitch() {
        QFile ini(temp_.File(QStringLiteral("Postrix.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Mail]\nDebug=1\n");
    }

    QString MailDir() const { return temp_.File(QStringLiteral("received")); }

    std::unique_ptr<test::ServerProcess> StartServer(QStringList arguments = {}) {
        arguments << QStringLiteral("--out") << MailDir();
        auto server =
            std::make_unique<test::ServerProcess>(QStringLiteral("smtp_server.py"), arguments);
        EXPECT_NE(server->Port(), 0) << server->ErrorOutput().toStdString();
        return server;
    }

    QString Attachment(const QByteArray& data,
                       const QString& name = QStringLiteral("lookout.jpg")) {
        const QString path = temp_.File(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(data);
        return path;
    }

    SmtpSettings Settings(int port, const QString& attachment) const {
        SmtpSettings s;
        s.host = QStringLiteral("127.0.0.1");
        s.port = port;
        s.sender = QStringLiteral("cam@example.org");
        s.senderName = QStringLiteral("Cam Watch");
        s.recipients = QStringLiteral("one@example.org");
        s.subject = QStringLiteral("KORVEX! Alert!");
        s.attachmentPath = attachment;
        s.attachmentName = QStringLiteral("C:\\Cameras\\Lookout.jpg");
        return s;
    }

    // Runs one mail to its end (notification 7 or 8), at most 20 s.
    bool Send(const SmtpSettings& settings) {
        notes_.clear();
        client_.Configure(settings);
        if (!client_.Connect()) {
            return false;
        }
        QEventLoop loop;
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        const auto connection = QObject::connect(
            &client_, &SmtpClient::WM_SMTP_NOTIFY, &loop, [&loop](int code, qint64) {
                if (code == SmtpClient::kNotifySent || code == SmtpClient::kNotifyFailed) {
                    loop.quit();
                }
            });
        limit.start(20000);
        loop.exec();
        QObject::disconnect(connection);
        return !notes_.empty() && notes_.back().first == SmtpClient::kNotifySent;
    }

    QByteArray Received(int number, const char* ext = "eml") const {
        QFile file(MailDir() + QStringLiteral("/mail%1.%2").arg(number).arg(QLatin1String(ext)));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    int ReceivedCount() const {
        return static_cast<int>(
            QDir(MailDir()).entryList({QStringLiteral("*.eml")}, QDir::Files).size());
    }

    std::vector<int> Steps() const {
        std::vector<int> steps;
        for (const auto& [code, value] : notes_) {
            if (code == SmtpClient::kNotifyStep) {
                steps.push_back(static_cast<int>(value));
            }
        }
        return steps;
    }

    std::pair<int, qint64> LastNote() const {
        return notes_.empty() ? std::pair<int, qint64>{0, 0} : notes_.back();
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const QString& text : prompt_.Texts()) {
            texts.push_back(text.toStdString());
        }
        return texts;
    }

    std::string FirstText() const {
        const auto texts = Texts();
        return texts.empty() ? std::string() : texts.front();
    }

    QString TraceText() const {
        QFile file(temp_.File(QStringLiteral("PostrixDbg.txt")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    test::TempDir temp_;
    ManualClock clock_{0, 1700000000};
    RecordingPrompt prompt_;
    UploaderLog log_;
    DebugTrace trace_;
    SmtpClient client_;
    std::vector<std::pair<int, qint64>> notes_;
};

TEST_F(SmtpClientTest, DeliversTheMessageByteForByte) {
    const auto server = StartServer();
    const struct {
        int size;
        int lines;
    } cases[] = {{57, 1}, {58, 2}, {0, 0}, {20000, 351}};
    int number = 0;
    for (const auto& c : cases) {
        const QByteArray data = RandomBytes(c.size, static_cast<unsigned>(c.size));
        SmtpSettings settings = Settings(server->Port(), Attachment(data));
        settings.recipients = QStringLiteral("one@example.org; two@example.org ,three@example.org");
        ASSERT_TRUE(Send(settings)) << c.size;
        ++number;
        const QByteArray mail = Received(number);
        EXPECT_EQ(mail, ExpectedMail("one@example.org,two@example.org,three@example.org",
                                     "Lookout.jpg", data))
            << c.size;
        EXPECT_EQ(mail.count("\r\n") - ExpectedMail("x", "Lookout.jpg", {}).count("\r\n"), c.lines);
        const qsizetype start = mail.indexOf("\r\n\r\n", mail.indexOf("filename=")) + 4;
        const qsizetype end = mail.indexOf("\r\n--======Boundary======--");
        EXPECT_EQ(QByteArray::fromBase64(mail.mid(start, end - start)), data);
        EXPECT_EQ(Received(number, "env"),
                  "cam@example.org\none@example.org\ntwo@example.org\nthree@example.org\n");
        EXPECT_EQ(LastNote(), std::make_pair(int{SmtpClient::kNotifySent}, qint64{7}));
        EXPECT_EQ(client_.CurrentStep(), SmtpClient::kIdle);
    }
    EXPECT_THAT(Steps(), ElementsAre(2, 3, 4, 4, 4, 5, 6, 7, 0));
    EXPECT_THAT(Texts(), ::testing::IsEmpty());
    const QString trace = TraceText();
    EXPECT_THAT(trace.toStdString(),
                HasSubstr("HELO Unknown user\n250 localhost\nMAIL FROM:<cam@example.org>\n"));
    EXPECT_THAT(trace.toStdString(), HasSubstr("RCPT TO:<three@example.org>\n"));
    EXPECT_THAT(trace.toStdString(), HasSubstr("\nQUIT\n221 "));
}

TEST_F(SmtpClientTest, ProgressCountsTheMessageBytes) {
    const auto server = StartServer();
    const QByteArray data = RandomBytes(4000000, 1);
    ASSERT_TRUE(Send(Settings(server->Port(), Attachment(data))));
    qint64 last = 0;
    int progressNotes = 0;
    for (const auto& [code, value] : notes_) {
        if (code == SmtpClient::kNotifyProgress) {
            EXPECT_GT(value, last);
            last = value;
            ++progressNotes;
        }
    }
    EXPECT_GT(progressNotes, 1);
    // Everything but the closing delimiter and the end of the data.
    EXPECT_EQ(last + 28, Received(1).size());
}

TEST_F(SmtpClientTest, RepeatsARefusedSenderOnce) {
    const auto server = StartServer({QStringLiteral("--refuse-mail-once")});
    ASSERT_TRUE(Send(Settings(server->Port(), Attachment("abc"))));
    EXPECT_EQ(ReceivedCount(), 1);
    EXPECT_THAT(Steps(), ElementsAre(2, 3, 3, 4, 5, 6, 7, 0));
}

TEST_F(SmtpClientTest, RefusedRecipientEndsTheAttempt) {
    const auto server = StartServer({QStringLiteral("--refuse-rcpt"), QStringLiteral("two@x.org")});
    SmtpSettings settings = Settings(server->Port(), Attachment("abc"));
    settings.recipients = QStringLiteral("one@x.org,two@x.org,three@x.org");
    EXPECT_FALSE(Send(settings));
    EXPECT_EQ(LastNote(), std::make_pair(int{SmtpClient::kNotifyFailed}, qint64{4}));
    EXPECT_EQ(client_.CurrentStep(), SmtpClient::kRcptToSent);
    EXPECT_THAT(Texts(), ElementsAre("Invalid Receiver ID - two@x.org"));
    EXPECT_EQ(ReceivedCount(), 0);
}

TEST_F(SmtpClientTest, GreetingOtherThan220FailsToConnect) {
    const auto server =
        StartServer({QStringLiteral("--greeting"), QStringLiteral("554 No service")});
    EXPECT_FALSE(Send(Settings(server->Port(), Attachment("abc"))));
    EXPECT_EQ(LastNote(), std::make_pair(int{SmtpClient::kNotifyFailed}, qint64{1}));
    EXPECT_THAT(Texts(), ElementsAre("Failed to connect to 127.0.0.1"));
    const QStringList logLines =
        QString::fromLocal8Bit(test::ReadBytes(log_.FilePath()).data()).split(u'\n');
    EXPECT_TRUE(logLines.first().endsWith(QStringLiteral(": Failed to connect to 127.0.0.1 ")));
    EXPECT_EQ(logLines.first().indexOf(QStringLiteral(": ")), 24);
}

// A reply of several lines is one reply: its later lines must not be taken as the answer
// to the next command.
TEST_F(SmtpClientTest, MultiLineGreetingIsOneReply) {
    const auto server = StartServer(
        {QStringLiteral("--greeting"), QStringLiteral("220-mail.example.org\\r\\n220 ready")});
    EXPECT_TRUE(Send(Settings(server->Port(), Attachment("abc"))));
    EXPECT_EQ(ReceivedCount(), 1);
}

TEST_F(SmtpClientTest, RefusalOfTheDataIsAFailure) {
    const auto server =
        StartServer({QStringLiteral("--data-reply"), QStringLiteral("554 Transaction failed")});
    EXPECT_FALSE(Send(Settings(server->Port(), Attachment("abc"))));
    EXPECT_EQ(LastNote(), std::make_pair(int{SmtpClient::kNotifyFailed}, qint64{6}));
    EXPECT_THAT(Texts(), ElementsAre("Mail refused - 554 Transaction failed"));
    EXPECT_THAT(TraceText().toStdString(), ::testing::Not(HasSubstr("QUIT")));
}

// A file that cannot be read to its end must not arrive as a complete mail: the connection
// is dropped before the end of the data.
TEST_F(SmtpClientTest, UnreadableAttachmentAbortsTheMail) {
    const auto server = StartServer();
    const QString directory = temp_.File(QStringLiteral("adir"));
    QDir().mkpath(directory);
    EXPECT_FALSE(Send(Settings(server->Port(), directory)));
    EXPECT_EQ(LastNote(), std::make_pair(int{SmtpClient::kNotifyFailed}, qint64{5}));
    EXPECT_THAT(Texts(), ElementsAre((directory + QStringLiteral(": Is a directory")).toStdString(),
                                     "Unable to send DATA."));

    const QString path = Attachment(RandomBytes(4000000, 2));
    prompt_.Clear();
    const auto truncate =
        QObject::connect(&client_, &SmtpClient::WM_SMTP_NOTIFY, [&path](int code, qint64) {
            if (code == SmtpClient::kNotifyProgress) {
                QFile::resize(path, 1000);
            }
        });
    EXPECT_FALSE(Send(Settings(server->Port(), path)));
    QObject::disconnect(truncate);
    EXPECT_EQ(LastNote(), std::make_pair(int{SmtpClient::kNotifyFailed}, qint64{5}));
    EXPECT_THAT(
        Texts(),
        Contains(
            (path + QStringLiteral(": The file became shorter while it was sent.")).toStdString()));

    prompt_.Clear();
    const QString gone = temp_.File(QStringLiteral("gone.jpg"));
    EXPECT_FALSE(Send(Settings(server->Port(), gone)));
    EXPECT_EQ(LastNote(), std::make_pair(int{SmtpClient::kNotifyFailed}, qint64{5}));
    EXPECT_THAT(
        Texts(),
        ElementsAre(
            (QStringLiteral("Unable to open file for reading ") + gone + u'.').toStdString(),
            "Unable to send DATA."));

    // The same server still takes a good mail, and none of the failed ones arrived.
    EXPECT_TRUE(Send(Settings(server->Port(), Attachment("fine"))));
    EXPECT_EQ(ReceivedCount(), 1);
    EXPECT_EQ(Received(1), ExpectedMail("one@example.org", "Lookout.jpg", "fine"));
}

TEST_F(SmtpClientTest, BrokenConnectionsFailWithTheSocketError) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const int closedPort = closed.serverPort();
    closed.close();
    EXPECT_FALSE(Send(Settings(closedPort, Attachment("abc"))));
    EXPECT_EQ(LastNote(), std::make_pair(int{SmtpClient::kNotifyFailed}, qint64{10061}));
    EXPECT_THAT(Texts(), ElementsAre("Socket Error number : 10061"));

    prompt_.Clear();
    const auto server = StartServer({QStringLiteral("--close-at"), QStringLiteral("MAIL")});
    EXPECT_FALSE(Send(Settings(server->Port(), Attachment("abc"))));
    EXPECT_EQ(LastNote(), std::make_pair(int{SmtpClient::kNotifyFailed}, qint64{10054}));
    EXPECT_EQ(client_.CurrentStep(), SmtpClient::kMailFromSent);

    // The mail is taken once QUIT is sent, even when no reply to it comes.
    prompt_.Clear();
    const auto quitter = StartServer({"--close-at", "QUIT"});
    EXPECT_TRUE(Send(Settings(quitter->Port(), Attachment("abc"))));
    EXPECT_THAT(Texts(), ::testing::IsEmpty());

    prompt_.Clear();
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    client_.SetTimeoutMs(300);
    EXPECT_FALSE(Send(Settings(silent.serverPort(), Attachment("abc"))));
    EXPECT_EQ(LastNote(), std::make_pair(int{SmtpClient::kNotifyFailed}, qint64{1}));
    EXPECT_THAT(Texts(), ElementsAre("Connection timeout."));
}

TEST_F(SmtpClientTest, RefusesLineBreaksAndMissingRecipients) {
    SmtpSettings settings = Settings(25, Attachment("abc"));
    settings.subject = QStringLiteral("Alert\r\nRCPT TO:<victim@example.org>");
    client_.Configure(settings);
    EXPECT_FALSE(client_.Connect());
    settings = Settings(25, Attachment("abc"));
    settings.recipients = QStringLiteral("a@x.org\n,b@x.org");
    client_.Configure(settings);
    EXPECT_FALSE(client_.Connect());
    settings.recipients = QStringLiteral(" ; , ");
    client_.Configure(settings);
    EXPECT_FALSE(client_.Connect());
    settings.recipients = QStringLiteral("a@x.org");
    settings.user = QStringLiteral("cam");
    client_.Configure(settings);
    EXPECT_FALSE(client_.Connect());
    EXPECT_THAT(Texts(), ElementsAre(HasSubstr("line break"), HasSubstr("line break"),
                                     HasSubstr("No recipient"), HasSubstr("secure connection")));
    EXPECT_EQ(client_.CurrentStep(), SmtpClient::kIdle);
}

// TLS with a certificate made for the test: STARTTLS and TLS from the start, both with
// authentication, and a refusal when the certificate cannot be verified.
class SmtpTlsTest : public SmtpClientTest {
protected:
    void SetUp() override {
        cert_ = temp_.File(QStringLiteral("cert.pem"));
        key_ = temp_.File(QStringLiteral("key.pem"));
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                       QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                       QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                       QStringLiteral("-keyout"), key_, QStringLiteral("-out"), cert_,
                       QStringLiteral("-days"), QStringLiteral("1"), QStringLiteral("-subj"),
                       QStringLiteral("/CN=localhost"), QStringLiteral("-addext"),
                       QStringLiteral("subjectAltName=DNS:localhost,IP:127.0.0.1")});
        ASSERT_TRUE(openssl.waitForFinished(20000));
        ASSERT_EQ(openssl.exitCode(), 0) << openssl.readAllStandardError().toStdString();
    }

    SmtpSettings Secure(int port, SmtpSecurity security) {
        SmtpSettings settings = Settings(port, Attachment("secret image"));
        settings.security = security;
        settings.user = QStringLiteral("cam");
        settings.password = QStringLiteral("s3cret pass");
        settings.caFile = cert_;
        return settings;
    }

    QStringList ServerArguments() const {
        return {QStringLiteral("--cert"), cert_,
                QStringLiteral("--key"),  key_,
                QStringLiteral("--auth"), QStringLiteral("cam:s3cret pass")};
    }

    QString cert_;
    QString key_;
};

TEST_F(SmtpTlsTest, StartTlsWithAuthentication) {
    const auto server = StartServer(ServerArguments());
    ASSERT_TRUE(Send(Secure(server->Port(), SmtpSecurity::StartTls))) << FirstText();
    EXPECT_EQ(Received(1), ExpectedMail("one@example.org", "Lookout.jpg", "secret image"));
    const std::string trace = TraceText().toStdString();
    EXPECT_THAT(trace, HasSubstr("EHLO Unknown user\n"));
    EXPECT_THAT(trace, HasSubstr("STARTTLS\n220"));
    EXPECT_THAT(trace, ::testing::Not(HasSubstr("s3cret")));

    SmtpSettings wrong = Secure(server->Port(), SmtpSecurity::StartTls);
    wrong.password = QStringLiteral("guess");
    EXPECT_FALSE(Send(wrong));
    EXPECT_THAT(Texts(), ElementsAre(HasSubstr("Authentication failed - 535")))
        << TraceText().toStdString();
    EXPECT_EQ(ReceivedCount(), 1);
}

TEST_F(SmtpTlsTest, TlsFromTheStart) {
    QStringList arguments = ServerArguments();
    arguments << QStringLiteral("--implicit-tls") << QStringLiteral("--login-only");
    const auto server = StartServer(arguments);
    ASSERT_TRUE(Send(Secure(server->Port(), SmtpSecurity::Tls))) << FirstText();
    EXPECT_EQ(ReceivedCount(), 1);
    const std::string trace = TraceText().toStdString();
    EXPECT_THAT(trace, HasSubstr("AUTH LOGIN\n334 "));
    EXPECT_THAT(trace, ::testing::Not(HasSubstr("s3cret")));
}

TEST_F(SmtpTlsTest, UnverifiedCertificateIsRefused) {
    const auto server = StartServer(ServerArguments());
    SmtpSettings settings = Secure(server->Port(), SmtpSecurity::StartTls);
    settings.caFile.clear();
    EXPECT_FALSE(Send(settings));
    EXPECT_EQ(LastNote().first, SmtpClient::kNotifyFailed);
    EXPECT_THAT(Texts(), ElementsAre(HasSubstr("Secure connection to the mail server failed: ")));
    EXPECT_THAT(TraceText().toStdString(), ::testing::Not(HasSubstr("AUTH")));
    EXPECT_EQ(ReceivedCount(), 0);
}

}  // namespace
}  // namespace korvex
