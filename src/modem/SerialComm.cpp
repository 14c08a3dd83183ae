#include "modem/SerialComm.h"

#include "common/strings/ModemStrings.h"

#include <fcntl.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>

namespace korvex {

CSerialComm::CSerialComm(const Clock& clock, ModemLog& log) : clock_(clock), log_(log) {}

CSerialComm::~CSerialComm() = default;

bool CSerialComm::SetCommHandle(int fd) {
    Close();
    if (fd < 0) {
        return true;
    }
    fd_.Reset(fd);
    lost_ = false;
    holdOffUntilMs_ = 0;
    timeouts_ = 0;
    struct stat info {};
    isSocket_ = fstat(fd, &info) == 0 && S_ISSOCK(info.st_mode);
    isTty_ = isatty(fd) == 1;
    int protocol = 0;
    socklen_t length = sizeof protocol;
    isTcp_ = isSocket_ && getsockopt(fd, SOL_SOCKET, SO_PROTOCOL, &protocol, &length) == 0 &&
             protocol == IPPROTO_TCP;
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) {
        fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    }
    if (!isTty_) {
        return true;
    }
    int dtr = TIOCM_DTR;
    ioctl(fd, TIOCMBIS, &dtr);
    ioctl(fd, TIOCCBRK);
    termios state{};
    if (tcgetattr(fd, &state) != 0) {
        log_.Write(QStringLiteral("CSerialComm::SetCommHandle()"), IDS_MODEM_GETCOMMSTATE_FAILED);
        return true;
    }
    // Binary packets: no software flow control eating bytes, reads return what is there.
    state.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
    state.c_cc[VMIN] = 1;
    state.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &state) != 0) {
        log_.Write(QStringLiteral("CSerialComm::SetCommHandle()"), IDS_MODEM_SETCOMMSTATE_FAILED);
    }
    return true;
}

void CSerialComm::Close() {
    fd_.Reset();
}

bool CSerialComm::OutputPending() const {
    // For TCP only bytes not yet sent count: sent ones merely wait for the peer's ACK.
    const unsigned long request = isTcp_ ? SIOCOUTQNSD : (isSocket_ ? SIOCOUTQ : TIOCOUTQ);
    int queued = 0;
    if (ioctl(fd_.Get(), request, &queued) == 0 && queued > kOutputBacklogBytes) {
        return true;
    }
    if (!isTty_) {
        return false;
    }
    termios state{};
    int lines = 0;
    return tcgetattr(fd_.Get(), &state) == 0 && (state.c_cflag & CRTSCTS) != 0 &&
           ioctl(fd_.Get(), TIOCMGET, &lines) == 0 && (lines & TIOCM_CTS) == 0;
}

size_t CSerialComm::WriteComm(std::span<const uint8_t> bytes) {
    const int64_t now = clock_.NowMs();
    if (!fd_.Valid() || lost_ || now < holdOffUntilMs_ || bytes.empty()) {
        return 0;
    }
    if (OutputPending()) {
        holdOffUntilMs_ = now + kHoldOffMs;
        return 0;
    }
    const ssize_t written = isSocket_ ? ::send(fd_.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL)
                                      : ::write(fd_.Get(), bytes.data(), bytes.size());
    if (written == ssize_t(bytes.size())) {
        holdOffUntilMs_ = 0;
        timeouts_ = 0;
        return bytes.size();
    }
    if (written >= 0 || errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        // The port did not take everything in time.
        if (++timeouts_ >= kTimeoutsBeforeRestore) {
            GRestoreComm(fd_.Get(), log_);
            timeouts_ = 0;
            holdOffUntilMs_ = 0;
        }
        return written > 0 ? size_t(written) : 0;
    }
    if (errno == EPIPE || errno == ECONNRESET || errno == EIO || errno == ENOTCONN) {
        lost_ = true;
    }
    holdOffUntilMs_ = now + kHoldOffMs;
    return 0;
}

size_t CSerialComm::ReadComm(std::span<uint8_t> buffer) {
    if (!fd_.Valid() || lost_ || buffer.empty()) {
        return 0;
    }
    const ssize_t got = ::read(fd_.Get(), buffer.data(), buffer.size());
    if (got > 0) {
        return size_t(got);
    }
    if (got == 0) {
        lost_ = true;  // end of stream: the far end hung up
        return 0;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        return 0;
    }
    log_.Write(QStringLiteral("CSerialComm::ReadComm()"), IDS_MODEM_READ_ERROR);
    lost_ = true;
    return 0;
}

void CSerialComm::GRestoreComm(int fd, ModemLog& log) {
    log.Write(QStringLiteral("GRestoreComm() !!!!!!!!"), IDS_MODEM_SPACE);
    int lines = 0;
    ioctl(fd, TIOCMGET, &lines);
    ioctl(fd, TIOCSBRK);
    int dtr = TIOCM_DTR;
    int rts = TIOCM_RTS;
    ioctl(fd, TIOCMBIC, &dtr);
    ioctl(fd, TIOCMBIS, &dtr);
    ioctl(fd, TIOCMBIC, &rts);
    ioctl(fd, TIOCMBIS, &rts);
    // Output is left running: suspending it last would leave the port mute.
    tcflow(fd, TCOON);
    ioctl(fd, TIOCCBRK);
    ioctl(fd, TIOCMGET, &lines);
}

}  // namespace korvex
