#pragma once

#include "common/Clock.h"
#include "modem/CommPort.h"
#include "modem/ConnectionEvents.h"
#include "modem/LineService.h"
#include "modem/ModemLog.h"
#include "modem/PacketReceiver.h"
#include "modem/PacketSink.h"
#include "modem/PacketSource.h"
#include "modem/PacketTransmitter.h"
#include "modem/TapiLine.h"
#include "modem/TapiLineUser.h"
#include "modem/TimerScheduler.h"
#include "modem/WTimer.h"

#include <QPointer>
#include <QString>

#include <cstdint>
#include <memory>

namespace korvex {

// Call control and packet framing of the modem link: places and answers calls on a line,
// takes over the byte stream of the connected call, polls it every 100 ms for received
// packets and writes the packets it is given.
class CCommModem : public CPacketSource, public WTimerUser, public CTapiLineUser {
public:
    static constexpr int kPollPeriodMs = 100;
    static constexpr int kAnswerDelayMs = 4000;

    CCommModem(LineService& lines, TimerScheduler& scheduler, const Clock& clock, ModemLog& log,
               CConnectionEvents* events, uint16_t linkId = DrawLinkId());
    ~CCommModem() override;

    // A fresh 16-bit link identifier from the system's random source.
    static uint16_t DrawLinkId();

    // Received packets, as a source for the reliable transfer.
    int MaxPacketSize() const override { return int(kMaxReceivedPayload); }
    CommPacket GetPacket(size_t maxLength, uint8_t* buffer) override;
    void ReleasePacket(const CommPacket&) override {}

    // Packets to transmit: pulled from `source`.
    int PacketsAvailable(CPacketSource& source);

    bool Listen(CPacketSink* sink, CPacketSource* source, int lineIndex);
    bool Call(const QString& number, CPacketSink* sink, CPacketSource* source, int lineIndex);
    bool IsConnected() const { return connected_; }
    void HangUp();
    // Where the open line takes calls ("host:port" or a device); empty when none is open.
    QString LineAddress() const;

    uint16_t LinkId() const { return linkId_; }
    uint64_t BytesRead() const { return receiver_.BytesRead(); }
    uint64_t BytesWritten() const { return transmitter_.BytesWritten(); }
    ReceiveState State() const { return receiver_.State(); }

    void VOnCallbackProc(const LineMessage& message) override;
    void WTimerUserOnTimer(WTimer& timer) override;

private:
    bool OpenLine(int lineIndex, bool acceptCalls);
    void CloseLine();
    void ResetCall();
    void ClosePort();
    void OnCallState(const LineMessage& message);
    void OnIdle();
    void Poll();
    void AnswerOffered();

    LineService& lines_;
    const Clock& clock_;
    ModemLog& log_;
    CConnectionEvents* events_;
    uint16_t linkId_;
    PacketReceiver receiver_;
    PacketTransmitter transmitter_;
    QPointer<CTapiLine> line_;
    std::unique_ptr<CommPort> port_;
    WTimer poll_;
    WTimer answerTimer_;
    CPacketSink* sink_ = nullptr;
    CPacketSource* source_ = nullptr;
    QString number_;
    bool answering_ = false;
    bool callPlaced_ = false;
    bool connected_ = false;
    bool paused_ = true;
    bool inPoll_ = false;
};

}  // namespace korvex
