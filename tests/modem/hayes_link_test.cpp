#include "HayesEmulator.h"
#include "ManualScheduler.h"
#include "OwnerRecord.h"
#include "modem/SystemLineService.h"
#include "modem/UniqueFd.h"
#include "support/TempDir.h"

#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <gmock/gmock.h>

#include <fcntl.h>

namespace korvex {
namespace {

using testing::HasSubstr;

void WaitRealMs(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Two pseudo-terminals linked by socat: the device a line opens, and the far side the
// modem emulator talks on.
class LinkedPtys {
public:
    bool Start(const QString& device, const QString& far) {
        process_.start(QStringLiteral("socat"), {QStringLiteral("pty,raw,echo=0,link=") + device,
                                                 QStringLiteral("pty,raw,echo=0,link=") + far});
        for (int i = 0; i < 500; ++i) {
            if (QFile::exists(device) && QFile::exists(far)) {
                // Held open so that a port closed by the line under test never ends the relay.
                keeper_.Reset(open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY));
                return keeper_.Valid();
            }
            WaitRealMs(10);
        }
        return false;
    }
    void Stop() {
        keeper_.Reset();
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    ~LinkedPtys() { Stop(); }

private:
    QProcess process_;
    UniqueFd keeper_;
};

QString ReadLog(const ModemLog& log) {
    QFile file(log.Path());
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

class HayesLinkTest : public testing::Test {
protected:
    void SetUp() override {
        deviceA_ = dir_.File(QStringLiteral("ttyModemA"));
        deviceB_ = dir_.File(QStringLiteral("ttyModemB"));
        ASSERT_TRUE(ptysA_.Start(deviceA_, dir_.File(QStringLiteral("lineA"))));
        ASSERT_TRUE(ptysB_.Start(deviceB_, dir_.File(QStringLiteral("lineB"))));
        ASSERT_TRUE(emulator_.AddLine(dir_.File(QStringLiteral("lineA")), "100"));
        ASSERT_TRUE(emulator_.AddLine(dir_.File(QStringLiteral("lineB")), "200"));
        emulator_.Start();
        LineConfig config;
        config.listenAddress = QHostAddress::LocalHost;
        config.listenPort = 0;
        config.devices = {deviceA_, deviceB_, dir_.File(QStringLiteral("ttyAbsent"))};
        lines_ = std::make_unique<SystemLineService>(config);
        a_ = std::make_unique<CCommRx>(*lines_, scheduler_, clock_, logA_);
        b_ = std::make_unique<CCommRx>(*lines_, scheduler_, clock_, logB_);
        ownerA_.Attach(*a_);
        ownerB_.Attach(*b_);
    }
    void TearDown() override {
        a_.reset();
        b_.reset();
        emulator_.Stop();
    }

    test::TempDir dir_;
    QString deviceA_;
    QString deviceB_;
    LinkedPtys ptysA_;
    LinkedPtys ptysB_;
    test::HayesEmulator emulator_;
    ManualClock clock_{1000};
    test::ManualScheduler scheduler_{clock_};
    ModemLog logA_{dir_.File(QStringLiteral("a.txt"))};
    ModemLog logB_{dir_.File(QStringLiteral("b.txt"))};
    std::unique_ptr<SystemLineService> lines_;
    std::unique_ptr<CCommRx> a_;
    std::unique_ptr<CCommRx> b_;
    test::OwnerRecord ownerA_;
    test::OwnerRecord ownerB_;
};

TEST_F(HayesLinkTest, ModemsThatAnswerAtAreListedAfterTheNetworkLine) {
    const auto listed = lines_->Lines();
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[0].name, QStringLiteral("Network (TCP)"));
    EXPECT_EQ(listed[1].name, QStringLiteral("Modem on ") + deviceA_);
    EXPECT_EQ(listed[2].name, QStringLiteral("Modem on ") + deviceB_);
    EXPECT_EQ(listed[2].index, 2);
}

TEST_F(HayesLinkTest, CallRingsIsAnsweredAndCarriesMessagesUntilTheLineGoes) {
    ASSERT_TRUE(b_->Listen(2));
    ASSERT_TRUE(a_->Call(QStringLiteral("2,00"), 1));
    ASSERT_TRUE(
        scheduler_.RunUntilWithIo([&] { return a_->IsConnected() && b_->IsConnected(); }, 20000));
    EXPECT_THAT(ownerB_.statuses, testing::ElementsAre(kCommStatusRinging, kCommStatusUp));
    std::vector<uint8_t> frame(3000);
    for (size_t i = 0; i < frame.size(); ++i) {
        frame[i] = uint8_t(i * 5 + 1);
    }
    ASSERT_TRUE(a_->XmitData(frame, 2));
    ASSERT_TRUE(b_->XmitData(std::vector<uint8_t>{'o', 'k'}, 5));
    ASSERT_TRUE(scheduler_.RunUntilWithIo(
        [&] { return ownerB_.messages.size() == 1 && ownerA_.messages.size() == 1; }, 30000));
    EXPECT_EQ(ownerB_.messages[0].bytes, frame);
    EXPECT_EQ(ownerA_.messages[0].bytes, (std::vector<uint8_t>{'o', 'k'}));
    EXPECT_THAT(ReadLog(logB_).toStdString(), HasSubstr("LINECALLSTATE_OFFERING"));
    EXPECT_THAT(ReadLog(logA_).toStdString(), HasSubstr("LINECALLSTATE_CONNECTED"));

    // The line of "b" disappears.
    ptysB_.Stop();
    ASSERT_TRUE(scheduler_.RunUntilWithIo([&] { return ownerB_.downs == 1; }, 5000));
    EXPECT_FALSE(b_->IsConnected());
}

TEST_F(HayesLinkTest, ModemRepliesEndTheCallWithTheirReasons) {
    const struct {
        const char* number;
        const char* reason;
    } cases[] = {
        {"0",
         "LINECALLSTATE_DISCONNECTED: : Dialtone was not detected. Call has been disconnected."},
        {"1", "LINECALLSTATE_DISCONNECTED: : Remote line is busy. Call has been disconnected."},
        {"999", "LINECALLSTATE_DISCONNECTED: : Remote computer could not be reached."},
        {"2",
         "VOnCallbackProc(): : LINECALLSTATE_BUSY\n"
         "VOnCallbackProc(): : LINECALLSTATE_DISCONNECTED\n"
         "LINECALLSTATE_DISCONNECTED: : Remote line is busy. Call has been disconnected.\n"
         "VOnCallbackProc(): : LINECALLSTATE_IDLE\n"
         "CCommRX::OnConnectionDown():  \n"},
    };
    int downs = 0;
    for (const auto& c : cases) {
        ASSERT_TRUE(a_->Call(QString::fromLatin1(c.number), 1)) << c.number;
        ASSERT_TRUE(scheduler_.RunUntilWithIo([&] { return ownerA_.downs == downs + 1; }, 5000))
            << c.number;
        ++downs;
        EXPECT_THAT(ReadLog(logA_).toStdString(), HasSubstr(c.reason));
    }
    EXPECT_FALSE(a_->IsConnected());
}

}  // namespace
}  // namespace korvex
