#include "modem/HayesModemLine.h"

#include "common/strings/ModemStrings.h"
#include "modem/SerialComm.h"

#include <QFile>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>

namespace korvex {

HayesModemLine::HayesModemLine(QString device, CTapiLineUser& user, ModemLog& log)
    : CTapiLine(user, log), device_(std::move(device)) {}

HayesModemLine::~HayesModemLine() {
    Close();
}

int HayesModemLine::OpenPort(const QString& device) {
    UniqueFd fd(
        ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) {
        return -1;
    }
    termios state{};
    if (tcgetattr(fd.Get(), &state) != 0) {
        return -1;
    }
    cfmakeraw(&state);
    // Local while in command mode, so no carrier is needed to talk to the modem.
    state.c_cflag |= CLOCAL | CREAD;
    state.c_cc[VMIN] = 1;
    state.c_cc[VTIME] = 0;
    if (tcsetattr(fd.Get(), TCSANOW, &state) != 0) {
        return -1;
    }
    int dtr = TIOCM_DTR;
    ioctl(fd.Get(), TIOCMBIS, &dtr);
    return fd.Release();
}

bool HayesModemLine::Open(bool) {
    Close();
    fd_.Reset(OpenPort(device_));
    if (!fd_.Valid()) {
        LogError("lineOpen", IDS_MODEM_ERR_ALLOCATED);
        return false;
    }
    notifier_ = std::make_unique<QSocketNotifier>(fd_.Get(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { OnReadable(); });
    phase_ = Phase::Idle;
    return Send("ATZ\r");
}

void HayesModemLine::Close() {
    Drop();
    notifier_.reset();
    fd_.Reset();
}

bool HayesModemLine::Send(const QByteArray& command) {
    return fd_.Valid() &&
           ::write(fd_.Get(), command.constData(), size_t(command.size())) == command.size();
}

bool HayesModemLine::MakeCall(const QString& number) {
    if (!fd_.Valid() || phase_ != Phase::Idle) {
        return false;
    }
    // Commas pass through: the modem pauses at each.
    if (!Send("ATDT" + number.toLatin1() + '\r')) {
        LogError("lineMakeCall", IDS_MODEM_ERR_OPERATIONFAILED);
        return false;
    }
    phase_ = Phase::Dialing;
    NotifyLater(LineMessage{LineMessageKind::CallState, LineCallState::Dialing});
    return true;
}

bool HayesModemLine::Answer() {
    if (!fd_.Valid() || phase_ != Phase::Idle || !Send("ATA\r")) {
        LogError("lineAnswer", IDS_MODEM_ERR_OPERATIONFAILED);
        return false;
    }
    phase_ = Phase::Answering;
    return true;
}

void HayesModemLine::Drop() {
    if (!fd_.Valid() || phase_ == Phase::Idle) {
        return;
    }
    // Dropping DTR hangs a modem up; the escape and ATH do it for one that ignores DTR.
    int dtr = TIOCM_DTR;
    ioctl(fd_.Get(), TIOCMBIC, &dtr);
    if (phase_ == Phase::Connected) {
        Send("+++");
    }
    Send("ATH\r");
    ioctl(fd_.Get(), TIOCMBIS, &dtr);
    phase_ = Phase::Idle;
    pending_.clear();
    if (notifier_) {
        notifier_->setEnabled(true);
    }
}

std::unique_ptr<CommPort> HayesModemLine::GetCommPort(const Clock& clock) {
    if (!fd_.Valid() || phase_ != Phase::Connected) {
        return nullptr;
    }
    auto port = std::make_unique<CSerialComm>(clock, log_);
    port->SetCommHandle(::dup(fd_.Get()));
    return port;
}

void HayesModemLine::OnReadable() {
    char bytes[256];
    const ssize_t got = ::read(fd_.Get(), bytes, sizeof bytes);
    if (got <= 0) {
        if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
            notifier_->setEnabled(false);  // the device went away
            if (phase_ != Phase::Idle) {
                phase_ = Phase::Idle;
                NotifyState(LineCallState::Disconnected, DisconnectMode::Unavail);
            }
        }
        return;
    }
    pending_.append(bytes, got);
    // Replies are lines; a modem in data mode sends none, and its bytes are not read here.
    for (;;) {
        const auto it = std::find_if(pending_.cbegin(), pending_.cend(),
                                     [](char c) { return c == '\r' || c == '\n'; });
        if (it == pending_.cend()) {
            break;
        }
        const int end = int(it - pending_.cbegin());
        const QByteArray line = pending_.left(end).trimmed();
        pending_.remove(0, end + 1);
        if (!line.isEmpty()) {
            OnReply(line);
        }
        if (phase_ == Phase::Connected) {
            return;
        }
    }
    if (pending_.size() > 256) {
        pending_.clear();
    }
}

void HayesModemLine::OnReply(const QByteArray& line) {
    if (line.startsWith("RING")) {
        if (phase_ == Phase::Idle) {
            NotifyState(LineCallState::Offering);
        }
        return;
    }
    if (line.startsWith("CONNECT")) {
        if (phase_ == Phase::Dialing || phase_ == Phase::Answering) {
            phase_ = Phase::Connected;
            notifier_->setEnabled(false);
            pending_.clear();
            NotifyState(LineCallState::Connected);
        }
        return;
    }
    if (phase_ == Phase::Idle) {
        return;  // OK, ERROR and echoes of commands
    }
    DisconnectMode mode;
    if (line == "BUSY") {
        phase_ = Phase::Idle;
        NotifyState(LineCallState::Busy, DisconnectMode::Busy);
        return;
    }
    if (line == "NO CARRIER") {
        mode = phase_ == Phase::Dialing ? DisconnectMode::Unreachable : DisconnectMode::Normal;
    } else if (line == "NO DIALTONE" || line == "NO DIAL TONE") {
        mode = DisconnectMode::NoDialtone;
    } else if (line == "NO ANSWER") {
        mode = DisconnectMode::NoAnswer;
    } else if (line == "ERROR") {
        mode = DisconnectMode::Unavail;
    } else {
        return;
    }
    phase_ = Phase::Idle;
    NotifyState(LineCallState::Disconnected, mode);
}

}  // namespace korvex
