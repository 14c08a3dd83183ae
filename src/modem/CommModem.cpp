#include "modem/CommModem.h"

#include "common/strings/ModemStrings.h"

#include <random>

namespace korvex {

namespace {
const QString kCallback = QStringLiteral("VOnCallbackProc(): ");

int StateTextId(LineCallState state) {
    switch (state) {
        case LineCallState::Offering:
            return IDS_MODEM_STATE_OFFERING;
        case LineCallState::Accepted:
            return IDS_MODEM_STATE_ACCEPTED;
        case LineCallState::Dialtone:
            return IDS_MODEM_STATE_DIALTONE;
        case LineCallState::Dialing:
            return IDS_MODEM_STATE_DIALING;
        case LineCallState::Ringback:
            return IDS_MODEM_STATE_RINGBACK;
        case LineCallState::Busy:
            return IDS_MODEM_STATE_BUSY;
        case LineCallState::Proceeding:
            return IDS_MODEM_STATE_PROCEEDING;
        case LineCallState::Connected:
            return IDS_MODEM_STATE_CONNECTED;
        case LineCallState::Disconnected:
            return IDS_MODEM_STATE_DISCONNECTED;
        case LineCallState::Idle:
            return IDS_MODEM_STATE_IDLE;
        case LineCallState::Unknown:
            return IDS_MODEM_STATE_UNKNOWN;
    }
    return IDS_MODEM_STATE_OTHER;
}

int DisconnectTextId(DisconnectMode mode) {
    switch (mode) {
        case DisconnectMode::Normal:
            return IDS_MODEM_DISC_NORMAL;
        case DisconnectMode::Unknown:
            return IDS_MODEM_DISC_UNKNOWN;
        case DisconnectMode::Reject:
            return IDS_MODEM_DISC_REJECT;
        case DisconnectMode::Pickup:
            return IDS_MODEM_DISC_PICKUP;
        case DisconnectMode::Forwarded:
            return IDS_MODEM_DISC_FORWARDED;
        case DisconnectMode::Busy:
        case DisconnectMode::NoAnswer:
            return IDS_MODEM_DISC_BUSY;
        case DisconnectMode::BadAddress:
            return IDS_MODEM_DISC_BADADDRESS;
        case DisconnectMode::Unreachable:
            return IDS_MODEM_DISC_UNREACHABLE;
        case DisconnectMode::Congestion:
            return IDS_MODEM_DISC_CONGESTION;
        case DisconnectMode::Incompatible:
            return IDS_MODEM_DISC_INCOMPATIBLE;
        case DisconnectMode::Unavail:
            return IDS_MODEM_DISC_UNAVAIL;
        case DisconnectMode::NoDialtone:
            return IDS_MODEM_DISC_NODIALTONE;
    }
    return IDS_MODEM_DISC_OTHER;
}

int DialtoneTextId(DialtoneMode mode) {
    switch (mode) {
        case DialtoneMode::Normal:
            return IDS_MODEM_DIALTONE_NORMAL;
        case DialtoneMode::Unavail:
            return IDS_MODEM_DIALTONE_UNAVAIL;
        case DialtoneMode::Unknown:
            break;
    }
    return IDS_MODEM_DIALTONE_UNKNOWN;
}
}  // namespace

CCommModem::CCommModem(LineService& lines, TimerScheduler& scheduler, const Clock& clock,
                       ModemLog& log, CConnectionEvents* events, uint16_t linkId)
    : lines_(lines),
      clock_(clock),
      log_(log),
      events_(events),
      linkId_(linkId),
      receiver_(linkId, log),
      transmitter_(linkId),
      poll_(scheduler, *this, kPollPeriodMs),
      answerTimer_(scheduler, *this, kAnswerDelayMs) {}

CCommModem::~CCommModem() {
    poll_.Stop();
    answerTimer_.Stop();
    ClosePort();
    delete line_.data();
}

uint16_t CCommModem::DrawLinkId() {
    // Each end draws its own; two ends started at the same moment must still differ.
    std::random_device device;
    return uint16_t(device());
}

CommPacket CCommModem::GetPacket(size_t maxLength, uint8_t* buffer) {
    if (!port_) {
        return CommPacket{};
    }
    return receiver_.GetPacket(maxLength, buffer, *port_);
}

int CCommModem::PacketsAvailable(CPacketSource& source) {
    if (!port_ || !connected_) {
        return 0;
    }
    return transmitter_.Pump(source, *port_);
}

QString CCommModem::LineAddress() const {
    return line_ ? line_->Address() : QString();
}

bool CCommModem::OpenLine(int lineIndex, bool acceptCalls) {
    if (events_ == nullptr) {
        return false;
    }
    ResetCall();
    CloseLine();
    std::unique_ptr<CTapiLine> line = lines_.CreateLine(lineIndex, *this, log_);
    if (!line || !line->Open(acceptCalls)) {
        return false;
    }
    line_ = line.release();
    return true;
}

void CCommModem::CloseLine() {
    if (!line_) {
        return;
    }
    line_->Close();
    line_->Detach();
    // The line may be inside the notification that led here; it goes once that returns.
    line_->deleteLater();
    line_ = nullptr;
}

bool CCommModem::Listen(CPacketSink* sink, CPacketSource* source, int lineIndex) {
    if (!OpenLine(lineIndex, true)) {
        return false;
    }
    sink_ = sink;
    source_ = source;
    return true;
}

bool CCommModem::Call(const QString& number, CPacketSink* sink, CPacketSource* source,
                      int lineIndex) {
    if (!OpenLine(lineIndex, false)) {
        return false;
    }
    number_ = number;
    paused_ = true;
    if (!line_->MakeCall(number)) {
        ResetCall();
        paused_ = false;
        return false;
    }
    log_.Write(QStringLiteral("CCommodem::Call: "), IDS_MODEM_CALL_STARTED);
    paused_ = false;
    sink_ = sink;
    source_ = source;
    poll_.Start();
    callPlaced_ = true;
    return true;
}

void CCommModem::HangUp() {
    paused_ = true;
    poll_.Stop();
    ClosePort();
    receiver_.Reset();
    transmitter_.Reset();
    ResetCall();
    CloseLine();
}

void CCommModem::ClosePort() {
    if (port_) {
        port_->Close();
        port_.reset();
    }
}

void CCommModem::ResetCall() {
    connected_ = false;
    ClosePort();
    answerTimer_.Stop();
    if (line_) {
        line_->Drop();
    }
    callPlaced_ = false;
    answering_ = false;
}

void CCommModem::VOnCallbackProc(const LineMessage& message) {
    if (!line_) {
        return;
    }
    switch (message.kind) {
        case LineMessageKind::CallState:
            OnCallState(message);
            break;
        case LineMessageKind::LineClose:
            log_.Write(kCallback, IDS_MODEM_LINE_CLOSE);
            break;
        case LineMessageKind::Reply:
            log_.Write(kCallback, IDS_MODEM_LINE_REPLY);
            if (message.errorTextId != 0) {
                ClosePort();
                ResetCall();
                log_.Write(QStringLiteral("LINE_REPLY"), message.errorTextId);
            }
            break;
    }
}

void CCommModem::OnCallState(const LineMessage& message) {
    log_.Write(kCallback, StateTextId(message.state));
    switch (message.state) {
        case LineCallState::Offering:
            if (answering_ || answerTimer_.IsRunning() || connected_) {
                return;
            }
            events_->OnConnectionRing();
            answerTimer_.Start();
            return;
        case LineCallState::Connected:
            if (!connected_) {
                receiver_.ClearTotals();
                transmitter_.ClearTotals();
                receiver_.Reset();
                transmitter_.Reset();
                port_ = line_->GetCommPort(clock_);
                if (!port_) {
                    ResetCall();
                    OnIdle();
                    return;
                }
                connected_ = true;
                poll_.Start();
                paused_ = false;
                events_->OnConnectionUp();
            }
            callPlaced_ = false;
            return;
        case LineCallState::Busy:
            connected_ = false;
            answering_ = false;
            callPlaced_ = false;
            [[fallthrough]];
        case LineCallState::Disconnected:
            if (message.state == LineCallState::Busy) {
                log_.Write(kCallback, IDS_MODEM_STATE_DISCONNECTED);
            }
            log_.Write(QStringLiteral("LINECALLSTATE_DISCONNECTED: "),
                       DisconnectTextId(message.disconnectMode));
            log_.Write(kCallback, IDS_MODEM_STATE_IDLE);
            OnIdle();
            return;
        case LineCallState::Idle:
            OnIdle();
            return;
        case LineCallState::Dialtone:
            log_.Write(QStringLiteral("LINECALLSTATE_DIALTONE: "),
                       DialtoneTextId(message.dialtoneMode));
            return;
        default:
            return;
    }
}

void CCommModem::OnIdle() {
    ClosePort();
    ResetCall();
    if (events_) {
        events_->OnConnectionDown();
    }
}

void CCommModem::AnswerOffered() {
    answerTimer_.Stop();
    if (!line_ || connected_) {
        return;
    }
    answering_ = true;
    if (!line_->Answer()) {
        line_->Drop();
        answering_ = false;
    }
}

void CCommModem::WTimerUserOnTimer(WTimer& timer) {
    if (&timer == &answerTimer_) {
        AnswerOffered();
        return;
    }
    if (inPoll_) {
        return;
    }
    inPoll_ = true;
    Poll();
    inPoll_ = false;
}

void CCommModem::Poll() {
    if (paused_ || !port_ || !connected_) {
        return;
    }
    receiver_.Step(*port_);
    if (receiver_.State() == STATE_PacketReady && sink_ != nullptr) {
        sink_->PacketsAvailable(*this);
    }
    if (port_ && transmitter_.HasStaged()) {
        transmitter_.ContinueStaged(*port_);
    }
    if (port_ && port_->LineLost()) {
        // The far end or the line went away: the call is over.
        log_.Write(QStringLiteral("CCommModem::Poll()"), IDS_MODEM_LINE_LOST);
        LineMessage message;
        message.state = LineCallState::Disconnected;
        message.disconnectMode = DisconnectMode::Normal;
        OnCallState(message);
    }
}

}  // namespace korvex
