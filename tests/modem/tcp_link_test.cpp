#include "LinkPair.h"
#include "modem/SystemLineService.h"

#include <QTcpServer>

#include <gmock/gmock.h>

namespace korvex {
namespace {

using test::OwnerRecord;
using testing::HasSubstr;

LineConfig LoopbackConfig() {
    LineConfig config;
    config.listenAddress = QHostAddress::LocalHost;
    config.listenPort = 0;  // any free port
    return config;
}

QString ReadLog(const ModemLog& log) {
    QFile file(log.Path());
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

// Two link ends on the network line over 127.0.0.1, timers in simulated time.
class TcpLinkTest : public testing::Test {
protected:
    TcpLinkTest() {
        ownerA_.Attach(a_);
        ownerB_.Attach(b_);
    }

    bool Connect() {
        if (!b_.Listen(-1)) {
            return false;
        }
        address_ = b_.LineAddress();
        if (!a_.Call(address_, 0)) {
            return false;
        }
        return scheduler_.RunUntilWithIo([this] { return a_.IsConnected() && b_.IsConnected(); },
                                         10000);
    }

    test::TempDir dir_;
    ManualClock clock_{100000};
    test::ManualScheduler scheduler_{clock_};
    SystemLineService linesA_{LoopbackConfig()};
    SystemLineService linesB_{LoopbackConfig()};
    ModemLog logA_{dir_.File(QStringLiteral("a.txt"))};
    ModemLog logB_{dir_.File(QStringLiteral("b.txt"))};
    CCommRx a_{linesA_, scheduler_, clock_, logA_};
    CCommRx b_{linesB_, scheduler_, clock_, logB_};
    OwnerRecord ownerA_;
    OwnerRecord ownerB_;
    QString address_;
};

TEST_F(TcpLinkTest, NetworkLineIsAlwaysListedFirst) {
    LineConfig config = LoopbackConfig();
    config.devices = {dir_.File(QStringLiteral("no-such-tty"))};
    SystemLineService lines(config);
    const auto listed = lines.Lines();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].index, 0);
    EXPECT_EQ(listed[0].name, QStringLiteral("Network (TCP)"));
}

TEST_F(TcpLinkTest, MessagesTravelBothWaysAndHangUpEndsTheFarEnd) {
    ASSERT_TRUE(Connect());
    EXPECT_THAT(address_.toStdString(), HasSubstr("127.0.0.1:"));
    std::vector<uint8_t> big(5000);
    for (size_t i = 0; i < big.size(); ++i) {
        big[i] = uint8_t(i * 13);
    }
    ASSERT_TRUE(a_.XmitData(big, 2));
    ASSERT_TRUE(b_.XmitData(std::vector<uint8_t>{'p', 'w'}, 5));
    ASSERT_TRUE(a_.SendControl(8));
    ASSERT_TRUE(scheduler_.RunUntilWithIo(
        [&] { return ownerB_.messages.size() == 1 && ownerA_.messages.size() == 1; }, 30000));
    EXPECT_EQ(ownerB_.messages[0].bytes, big);
    EXPECT_EQ(ownerA_.messages[0].type, 5);
    EXPECT_THAT(ownerB_.controls, testing::ElementsAre(8));

    a_.Close();
    ASSERT_TRUE(scheduler_.RunUntilWithIo([&] { return ownerB_.downs == 1; }, 2000));
    EXPECT_FALSE(b_.IsConnected());
    EXPECT_THAT(ReadLog(logB_).toStdString(), HasSubstr("LINECALLSTATE_IDLE"));
}

TEST_F(TcpLinkTest, RefusedCallIsDisconnectedAsRejected) {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 freePort = probe.serverPort();
    probe.close();
    ASSERT_TRUE(a_.Call(QStringLiteral("127.0.0.1:%1").arg(freePort), 0));
    ASSERT_TRUE(scheduler_.RunUntilWithIo([&] { return ownerA_.downs == 1; }, 5000));
    EXPECT_FALSE(a_.IsConnected());
    EXPECT_THAT(ReadLog(logA_).toStdString(),
                HasSubstr("LINECALLSTATE_DISCONNECTED: : Call rejected from remote computer."));
    EXPECT_THAT(ownerA_.statuses, testing::ElementsAre(kCommStatusCalling, kCommStatusDown));
}

TEST_F(TcpLinkTest, MalformedNumberFailsTheCall) {
    EXPECT_FALSE(a_.Call(QStringLiteral("127.0.0.1:99999"), 0));
    EXPECT_THAT(ownerA_.statuses, testing::ElementsAre(kCommStatusCallFailed));
}

TEST_F(TcpLinkTest, SecondCallerWhileInACallIsTurnedAway) {
    ASSERT_TRUE(Connect());
    ModemLog logC(dir_.File(QStringLiteral("c.txt")));
    SystemLineService linesC(LoopbackConfig());
    CCommRx c(linesC, scheduler_, clock_, logC);
    OwnerRecord ownerC;
    ownerC.Attach(c);
    ASSERT_TRUE(c.Call(address_, 0));
    ASSERT_TRUE(scheduler_.RunUntilWithIo([&] { return ownerC.downs == 1; }, 8000));
    EXPECT_EQ(ownerC.downs, 1);
    EXPECT_TRUE(a_.IsConnected());
    EXPECT_TRUE(b_.IsConnected());
}

}  // namespace
}  // namespace korvex
