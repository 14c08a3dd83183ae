#pragma once

#include "common/Clock.h"
#include "modem/CommPort.h"
#include "modem/ModemLog.h"
#include "modem/UniqueFd.h"

namespace korvex {

// The byte stream of a connected call on a file descriptor: a serial port after CONNECT or a
// TCP socket. Reads never wait; writes are held back for a second while the output queue
// holds more than a little, CTS holds output, or after a failed write.
class CSerialComm : public CommPort {
public:
    static constexpr int64_t kHoldOffMs = 1000;
    static constexpr int kTimeoutsBeforeRestore = 21;
    // Output still queued beyond this holds further writes back. A packet goes out as two
    // writes (header, payload), so an empty queue cannot be asked for between them.
    static constexpr int kOutputBacklogBytes = 1024;

    CSerialComm(const Clock& clock, ModemLog& log);
    ~CSerialComm() override;

    // Adopts `fd` (closing any held one) and sets it up; a negative fd leaves no port.
    // Always succeeds.
    bool SetCommHandle(int fd);
    void Close() override;
    bool IsOpen() const override { return fd_.Valid(); }
    bool LineLost() const override { return lost_; }

    size_t WriteComm(std::span<const uint8_t> bytes) override;
    size_t ReadComm(std::span<uint8_t> buffer) override;

    // Shakes a stuck serial port: break, DTR and RTS toggled, output restarted.
    static void GRestoreComm(int fd, ModemLog& log);

private:
    bool OutputPending() const;

    const Clock& clock_;
    ModemLog& log_;
    UniqueFd fd_;
    bool isTty_ = false;
    bool isSocket_ = false;
    bool isTcp_ = false;
    bool lost_ = false;
    int64_t holdOffUntilMs_ = 0;
    int timeouts_ = 0;
};

}  // namespace korvex
