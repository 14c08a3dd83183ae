#include "modem/SerialComm.h"
#include "support/TempDir.h"

#include <gmock/gmock.h>

#include <sys/socket.h>
#include <unistd.h>

namespace korvex {
namespace {

class SerialCommTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds_), 0);
        port_.SetCommHandle(fds_[0]);
    }
    void TearDown() override {
        if (fds_[1] >= 0) {
            close(fds_[1]);
        }
    }

    test::TempDir dir_;
    ModemLog log_{dir_.File(QStringLiteral("modemlog.txt"))};
    ManualClock clock_{5000};
    CSerialComm port_{clock_, log_};
    int fds_[2] = {-1, -1};
};

TEST_F(SerialCommTest, ReadWithNothingBufferedReturnsAtOnce) {
    uint8_t buffer[64];
    EXPECT_EQ(port_.ReadComm(buffer), 0u);
    EXPECT_FALSE(port_.LineLost());
    ASSERT_EQ(write(fds_[1], "abc", 3), 3);
    EXPECT_EQ(port_.ReadComm(buffer), 3u);
}

TEST_F(SerialCommTest, WriteWhileOutputQueuedIsHeldOffForASecond) {
    const std::vector<uint8_t> bytes(CSerialComm::kOutputBacklogBytes + 100, 7);
    EXPECT_EQ(port_.WriteComm(bytes), bytes.size());
    // The far end has not taken those bytes yet: nothing more goes out.
    EXPECT_EQ(port_.WriteComm(bytes), 0u);
    std::vector<uint8_t> sink(bytes.size());
    ASSERT_EQ(read(fds_[1], sink.data(), sink.size()), ssize_t(bytes.size()));
    clock_.AdvanceMs(999);
    EXPECT_EQ(port_.WriteComm(bytes), 0u);
    clock_.AdvanceMs(1);
    EXPECT_EQ(port_.WriteComm(bytes), bytes.size());
}

TEST_F(SerialCommTest, InvalidHandleLeavesNoPortAndSucceeds) {
    EXPECT_TRUE(port_.SetCommHandle(-1));
    EXPECT_FALSE(port_.IsOpen());
    const uint8_t bytes[] = {1};
    EXPECT_EQ(port_.WriteComm(bytes), 0u);
}

TEST_F(SerialCommTest, FarEndClosingIsSeenAsALostLine) {
    close(fds_[1]);
    fds_[1] = -1;
    uint8_t buffer[8];
    EXPECT_EQ(port_.ReadComm(buffer), 0u);
    EXPECT_TRUE(port_.LineLost());
    EXPECT_EQ(port_.WriteComm(std::span<const uint8_t>(buffer, 1)), 0u);
}

}  // namespace
}  // namespace korvex
