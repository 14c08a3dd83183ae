#pragma once

#include "common/Clock.h"
#include "modem/CommModem.h"
#include "modem/ConnectionEvents.h"
#include "modem/LineService.h"
#include "modem/ModemLog.h"
#include "modem/PacketSink.h"
#include "modem/PacketSource.h"
#include "modem/TimerScheduler.h"
#include "modem/WTimer.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <optional>
#include <span>
#include <vector>

namespace korvex {

// Notifications to the owner, by the numbers the programs have always used for them.
enum CommNotification : int {
    WM_COMM_DATA = 2125,
    WM_COMM_CONTROL = 2126,
    WM_COMM_READY = 2127,
    WM_COMM_DOWN = 2129,
    WM_COMM_ABORT = 2130,
    WM_COMM_STATUS = 2131,
};

// Codes carried by WM_COMM_STATUS.
enum CommStatus : int {
    kCommStatusUp = 1,
    kCommStatusDown = 2,
    kCommStatusRinging = 3,
    kCommStatusStalled = 4,
    kCommStatusCalling = 5,
    kCommStatusCallFailed = 6,
};

// Link packet types, handled inside the link.
inline constexpr uint8_t PKT_ACK = 0xC0;
inline constexpr uint8_t PKT_RESEND = 0xC1;
inline constexpr uint8_t PKT_PROBE = 0xC2;
inline constexpr uint8_t PKT_DISCARD = 0xC3;

// What ReadMessage took out: the message's type and size. `tooLarge` says the message did
// not fit the buffer: it was removed and nothing was written.
struct ReceivedMessage {
    int type = 0;
    size_t size = 0;
    bool tooLarge = false;
};

// Reliable messages over the modem link. Splits each message into numbered parts of at most
// 512 bytes, keeps at most four unacknowledged parts on the line, acknowledges what arrives,
// asks for missing parts, reassembles messages in order and tells its owner through the
// signals below (each stands for the notification named beside it). Signals are emitted
// once the link has finished the step that raised them, so handlers may call back into it.
class CCommRx : public QObject,
                public CConnectionEvents,
                public CPacketSource,
                public CPacketSink,
                public WTimerUser {
    Q_OBJECT
public:
    static constexpr int kTickPeriodMs = 146;
    static constexpr size_t kWindowParts = 4;
    static constexpr size_t kMaxParts = 255;
    static constexpr size_t kMaxMessageBytes = kMaxParts * kMaxSentPayload;
    static constexpr int64_t kStallMs = 4000;
    static constexpr int64_t kReceptionStallMs = 2000;
    static constexpr int64_t kResendRepeatMs = 1000;
    static constexpr int kAbortStalls = 7;
    // A part further ahead of the receive position than this is no part a sender can have
    // on the line; more held parts than kMaxHeld are never needed to fill a gap.
    static constexpr uint8_t kAheadWindow = 19;
    static constexpr size_t kMaxHeld = 32;

    CCommRx(LineService& lines, TimerScheduler& scheduler, const Clock& clock, ModemLog& log,
            std::optional<uint16_t> linkId = std::nullopt);
    ~CCommRx() override;

    bool Call(const QString& number, int lineIndex);
    bool Listen(int lineIndex);
    void Close();
    bool IsConnected() const { return modem_.IsConnected(); }
    void EnableDelivery(bool enable);

    // Queues one data message of `type` (0 to 0x3F). False when not connected, when the
    // type is out of range, or when the message is longer than 255 parts can carry.
    bool XmitData(std::span<const uint8_t> data, uint8_t type);
    // Queues a control message (code 0 to 0x3F) ahead of all data.
    bool SendControl(uint8_t code);
    // Queues a link packet (type | 0x80) with a copy of a short payload ahead of all data.
    bool SendLinkPacket(std::span<const uint8_t> data, uint8_t type);
    // Takes the first complete message. Never writes more than `buffer` holds.
    ReceivedMessage ReadMessage(std::span<uint8_t> buffer);

    CCommModem& Modem() { return modem_; }
    QString LineAddress() const { return modem_.LineAddress(); }
    size_t SendQueueSize() const { return sendQueue_.size(); }
    size_t SentCount() const { return sent_.size(); }
    size_t HeldCount() const { return held_.size(); }
    size_t AssemblyCount() const { return assembly_.size(); }

    // Reliable transfer on a packet: what the modem hands over when it has received one.
    void AddPacketIn(std::span<const uint8_t> payload, uint32_t tag);

    void OnConnectionRing() override;
    void OnConnectionUp() override;
    void OnConnectionDown() override;
    int MaxPacketSize() const override { return int(kMaxSentPayload); }
    CommPacket GetPacket(size_t maxLength, uint8_t* buffer) override;
    void ReleasePacket(const CommPacket& packet) override;
    int PacketsAvailable(CPacketSource& source) override;
    void WTimerUserOnTimer(WTimer& timer) override;

signals:
    void commData(int type, int size);
    void commControl(int code);
    void commReady();
    void commDown();
    void commAbort();
    void commStatus(int status, const QString& number);

private:
    struct OutPacket {
        std::vector<uint8_t> payload;
        uint32_t tag;
    };
    struct HeldPart {
        std::vector<uint8_t> payload;
        uint32_t tag;
    };
    struct MessageRecord {
        uint8_t number;
        uint8_t partCount;
        uint8_t type;
        std::vector<std::vector<uint8_t>> parts;
        bool notified = false;
        size_t Size() const;
    };

    void Reset();
    bool MayTransmit() const;
    void QueueFront(std::vector<uint8_t> payload, uint32_t tag);
    void HandleAck(uint8_t message, uint8_t part);
    void HandleResend(uint8_t message, uint8_t part);
    void AcknowledgeBefore(uint8_t message, uint8_t part, bool inclusive);
    void RequestResend();
    bool IsNextExpected(uint8_t message, uint8_t part, uint8_t count);
    bool IsOldOrDuplicate(uint8_t message, uint8_t part, uint8_t count) const;
    void Accept(std::vector<uint8_t> payload, uint32_t tag);
    void TakeHeldParts();
    void SendAck(uint8_t message, uint8_t part);
    void NotifyComplete();
    void Post(std::function<void()> notification);
    void FlushPosted();

    const Clock& clock_;
    ModemLog& log_;
    CCommModem modem_;
    WTimer timer_;
    QString number_;
    bool ownerSet_ = false;
    bool deliveryEnabled_ = false;

    std::list<OutPacket> sendQueue_;
    std::list<OutPacket> sent_;
    std::list<OutPacket> releasing_;
    std::deque<MessageRecord> assembly_;
    std::list<HeldPart> held_;

    uint8_t messageCounter_ = 0;
    uint8_t lastMessage_ = 0;  // S
    uint8_t lastPart_ = 1;     // P
    uint8_t lastCount_ = 1;    // C
    uint8_t lastRead_ = 0;     // D
    int64_t lastXmitMs_ = 0;
    int64_t lastRecvMs_ = 0;
    int stallCount_ = 0;
    std::optional<uint16_t> lastRequest_;
    int64_t lastRequestMs_ = 0;

    std::vector<std::function<void()>> posted_;
    bool flushing_ = false;
};

}  // namespace korvex
