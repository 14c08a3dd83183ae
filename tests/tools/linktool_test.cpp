#include "common/SettingsStore.h"
#include "support/TempDir.h"

#include <QDir>
#include <QProcess>
#include <QTcpServer>

#include <gmock/gmock.h>

namespace korvex {
namespace {

QString LinkTool() {
    return QDir(qEnvironmentVariable("KORVEX_BIN_DIR")).filePath(QStringLiteral("linktool"));
}

class LinkToolTest : public testing::Test {
protected:
    void SetUp() override {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        port_ = probe.serverPort();
        probe.close();
        SettingsStore settings(dir_.SettingsPath());
        settings.Write(settings::kListenPort, port_);
        settings.Write(settings::kListenAddress, QStringLiteral("127.0.0.1"));
        settings.Sync();
    }

    test::TempDir dir_;
    quint16 port_ = 0;
};

TEST_F(LinkToolTest, ListsTheNetworkLine) {
    QProcess tool;
    tool.start(LinkTool(), {QStringLiteral("lines")});
    ASSERT_TRUE(tool.waitForFinished(20000));
    EXPECT_EQ(tool.exitCode(), 0);
    EXPECT_THAT(tool.readAllStandardOutput().toStdString(),
                testing::StartsWith("0\tNetwork (TCP)\n"));
}

TEST_F(LinkToolTest, SendsFilesThatTheListenerWritesOut) {
    const std::vector<uint8_t> first(3000, 0x5A);
    const std::vector<uint8_t> second = {'h', 'i'};
    test::WriteBytes(dir_.File(QStringLiteral("first")), first);
    test::WriteBytes(dir_.File(QStringLiteral("second")), second);
    const QString out = dir_.File(QStringLiteral("in"));

    QProcess listener;
    listener.start(LinkTool(), {QStringLiteral("listen"), QStringLiteral("--count"),
                                QStringLiteral("2"), QStringLiteral("--out"), out,
                                QStringLiteral("--timeout"), QStringLiteral("60")});
    QByteArray said;
    while (!said.contains("listening on") && listener.waitForReadyRead(20000)) {
        said += listener.readAllStandardOutput();
    }
    ASSERT_THAT(said.toStdString(), testing::HasSubstr("listening on 127.0.0.1:"));

    QProcess sender;
    sender.start(LinkTool(),
                 {QStringLiteral("send"), QStringLiteral("--call"),
                  QStringLiteral("127.0.0.1:%1").arg(port_), QStringLiteral("--type"),
                  QStringLiteral("3"), QStringLiteral("--timeout"), QStringLiteral("60"),
                  dir_.File(QStringLiteral("first")), dir_.File(QStringLiteral("second"))});
    ASSERT_TRUE(sender.waitForFinished(90000));
    ASSERT_TRUE(listener.waitForFinished(90000));
    EXPECT_EQ(sender.exitCode(), 0) << sender.readAllStandardError().toStdString();
    EXPECT_EQ(listener.exitCode(), 0) << listener.readAllStandardError().toStdString();
    EXPECT_EQ(test::ReadBytes(QDir(out).filePath(QStringLiteral("0001-3.bin"))), first);
    EXPECT_EQ(test::ReadBytes(QDir(out).filePath(QStringLiteral("0002-3.bin"))), second);
}

TEST_F(LinkToolTest, SendToNobodyFails) {
    test::WriteBytes(dir_.File(QStringLiteral("file")), {1, 2, 3});
    QProcess sender;
    sender.start(LinkTool(),
                 {QStringLiteral("send"), QStringLiteral("--call"),
                  QStringLiteral("127.0.0.1:%1").arg(port_), dir_.File(QStringLiteral("file"))});
    ASSERT_TRUE(sender.waitForFinished(30000));
    EXPECT_EQ(sender.exitCode(), 1);
}

TEST_F(LinkToolTest, MissingFileIsAUsageError) {
    QProcess sender;
    sender.start(LinkTool(),
                 {QStringLiteral("send"), QStringLiteral("--call"),
                  QStringLiteral("127.0.0.1:%1").arg(port_), dir_.File(QStringLiteral("absent"))});
    ASSERT_TRUE(sender.waitForFinished(30000));
    EXPECT_EQ(sender.exitCode(), 2);
}

}  // namespace
}  // namespace korvex
