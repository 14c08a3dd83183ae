#include "modem/CommRx.h"

#include "common/strings/ModemStrings.h"

#include <QPointer>

#include <array>
#include <cstring>

namespace korvex {

namespace {
const QString kAddPacketIn = QStringLiteral("CCommRx::AddPacketIn()");
const QString kOnTimer = QStringLiteral("CCommRx::WTimerUserOnTimer()");

bool IsData(uint8_t type) {
    return (type & 0x80) == 0;
}

// Where a part that is not the next one stands.
enum class PartFate { Hold, AckAndDrop, Drop };
}  // namespace

size_t CCommRx::MessageRecord::Size() const {
    return parts.empty() ? 0 : (parts.size() - 1) * kMaxSentPayload + parts.back().size();
}

CCommRx::CCommRx(LineService& lines, TimerScheduler& scheduler, const Clock& clock, ModemLog& log,
                 std::optional<uint16_t> linkId)
    : clock_(clock),
      log_(log),
      modem_(lines, scheduler, clock, log, this, linkId.value_or(CCommModem::DrawLinkId())),
      timer_(scheduler, *this, kTickPeriodMs) {}

CCommRx::~CCommRx() {
    timer_.Stop();
    modem_.HangUp();
}

bool CCommRx::Call(const QString& number, int lineIndex) {
    ownerSet_ = true;
    number_ = number;
    const bool started = modem_.Call(number, this, this, lineIndex);
    if (started) {
        Post([this] { emit commStatus(kCommStatusCalling, number_); });
    } else {
        Post([this] { emit commStatus(kCommStatusCallFailed, QString()); });
    }
    FlushPosted();
    return started;
}

bool CCommRx::Listen(int lineIndex) {
    ownerSet_ = true;
    return modem_.Listen(this, this, lineIndex);
}

void CCommRx::Close() {
    modem_.HangUp();
    timer_.Stop();
    Reset();
}

void CCommRx::Reset() {
    sendQueue_.clear();
    sent_.clear();
    releasing_.clear();
    held_.clear();
    assembly_.clear();
    messageCounter_ = 0;
    lastMessage_ = 0;
    lastPart_ = 1;
    lastCount_ = 1;
    lastRead_ = 0;
    lastXmitMs_ = 0;
    lastRecvMs_ = 0;
    stallCount_ = 0;
    lastRequest_.reset();
    lastRequestMs_ = 0;
}

void CCommRx::EnableDelivery(bool enable) {
    deliveryEnabled_ = enable;
    if (enable) {
        // A message completed while delivery was off is announced now, not only when some
        // later part happens to arrive.
        NotifyComplete();
        FlushPosted();
    }
}

bool CCommRx::XmitData(std::span<const uint8_t> data, uint8_t type) {
    if (!IsConnected() || type > 0x3F) {
        return false;
    }
    if (data.size() > kMaxMessageBytes) {
        log_.Write(QStringLiteral("CCommRX::XmitData()"), IDS_MODEM_MESSAGE_TOO_LONG);
        return false;
    }
    const uint8_t number = ++messageCounter_;
    const size_t count = data.empty() ? 1 : (data.size() - 1) / kMaxSentPayload + 1;
    size_t offset = 0;
    for (size_t part = 1; part <= count; ++part) {
        const size_t length = std::min(kMaxSentPayload, data.size() - offset);
        OutPacket packet{
            std::vector<uint8_t>(data.begin() + offset, data.begin() + offset + length),
            MakePartTag(number, uint8_t(part), uint8_t(count), type)};
        sendQueue_.push_back(std::move(packet));
        offset += length;
    }
    return true;
}

bool CCommRx::SendControl(uint8_t code) {
    if (!IsConnected()) {
        return false;
    }
    QueueFront({}, MakePartTag(0, 1, 1, uint8_t(0x80 | (code & 0x3F))));
    return true;
}

bool CCommRx::SendLinkPacket(std::span<const uint8_t> data, uint8_t type) {
    if (!IsConnected()) {
        return false;
    }
    QueueFront(std::vector<uint8_t>(data.begin(), data.end()),
               MakePartTag(0, 1, 1, uint8_t(type | 0x80)));
    return true;
}

void CCommRx::QueueFront(std::vector<uint8_t> payload, uint32_t tag) {
    sendQueue_.push_front(OutPacket{std::move(payload), tag});
}

ReceivedMessage CCommRx::ReadMessage(std::span<uint8_t> buffer) {
    if (assembly_.empty() || assembly_.front().parts.size() < assembly_.front().partCount) {
        return ReceivedMessage{};
    }
    MessageRecord record = std::move(assembly_.front());
    assembly_.pop_front();
    lastRead_ = record.number;
    ReceivedMessage result{record.type, record.Size(), false};
    if (result.size > buffer.size()) {
        log_.Write(QStringLiteral("CCommRx::ReadMessage()"), IDS_MODEM_MESSAGE_TOO_LARGE);
        result.tooLarge = true;
        return result;
    }
    size_t offset = 0;
    for (const auto& part : record.parts) {
        std::memcpy(buffer.data() + offset, part.data(), part.size());
        offset += part.size();
    }
    return result;
}

bool CCommRx::MayTransmit() const {
    if (sendQueue_.empty()) {
        return false;
    }
    return sent_.size() < kWindowParts || (TagType(sendQueue_.front().tag) & 0xC0) != 0;
}

CommPacket CCommRx::GetPacket(size_t, uint8_t*) {
    if (!MayTransmit()) {
        return CommPacket{};
    }
    auto it = sendQueue_.begin();
    if (IsData(TagType(it->tag))) {
        sent_.splice(sent_.end(), sendQueue_, it);
        lastXmitMs_ = clock_.NowMs();
        stallCount_ = 0;
    } else {
        releasing_.splice(releasing_.end(), sendQueue_, it);
    }
    CommPacket packet;
    packet.data = it->payload.data();
    packet.length = uint16_t(it->payload.size());
    packet.tag = it->tag;
    return packet;
}

void CCommRx::ReleasePacket(const CommPacket& packet) {
    if (IsData(TagType(packet.tag))) {
        return;  // stays in the sent list until acknowledged
    }
    for (auto it = releasing_.begin(); it != releasing_.end(); ++it) {
        if (it->tag == packet.tag && it->payload.data() == packet.data) {
            releasing_.erase(it);
            return;
        }
    }
}

int CCommRx::PacketsAvailable(CPacketSource& source) {
    std::array<uint8_t, kMaxSentPayload> buffer;
    int taken = 0;
    for (;;) {
        const CommPacket packet = source.GetPacket(buffer.size(), buffer.data());
        if (packet.IsNone()) {
            break;
        }
        AddPacketIn(std::span<const uint8_t>(packet.data, packet.length), packet.tag);
        ++taken;
    }
    FlushPosted();
    return taken;
}

void CCommRx::AcknowledgeBefore(uint8_t message, uint8_t part, bool inclusive) {
    for (auto it = sent_.begin(); it != sent_.end();) {
        const uint8_t m = TagMessage(it->tag);
        const uint8_t p = TagPart(it->tag);
        const uint8_t behind = uint8_t(message - m);
        const bool covered =
            (m == message && (inclusive ? p <= part : p < part)) || (behind >= 1 && behind <= 19);
        it = covered ? sent_.erase(it) : std::next(it);
    }
}

void CCommRx::HandleAck(uint8_t message, uint8_t part) {
    AcknowledgeBefore(message, part, true);
}

void CCommRx::HandleResend(uint8_t message, uint8_t part) {
    // The receiver expects (message, part) next, so it holds everything before it: those
    // parts are acknowledged even when their own acknowledgements were lost.
    AcknowledgeBefore(message, part, false);
    for (auto it = sent_.begin(); it != sent_.end(); ++it) {
        if (TagMessage(it->tag) == message && TagPart(it->tag) == part) {
            it->tag |= 0x40;
            sendQueue_.splice(sendQueue_.begin(), sent_, it);
            return;
        }
    }
}

void CCommRx::RequestResend() {
    const bool complete = lastPart_ == lastCount_;
    const uint8_t message = complete ? uint8_t(lastMessage_ + 1) : lastMessage_;
    const uint8_t part = complete ? 1 : uint8_t(lastPart_ + 1);
    const uint16_t key = uint16_t(message << 8 | part);
    const int64_t now = clock_.NowMs();
    if (lastRequest_ == key && now - lastRequestMs_ < kResendRepeatMs) {
        return;
    }
    lastRequest_ = key;
    lastRequestMs_ = now;
    const std::array<uint8_t, 2> payload{message, part};
    SendLinkPacket(payload, PKT_RESEND);
}

void CCommRx::SendAck(uint8_t message, uint8_t part) {
    const std::array<uint8_t, 2> payload{message, part};
    SendLinkPacket(payload, PKT_ACK);
}

bool CCommRx::IsNextExpected(uint8_t message, uint8_t part, uint8_t count) {
    if (lastPart_ == lastCount_) {
        if (count == 0) {
            log_.Write(QStringLiteral("CCommRX::IsNextExpectedPacketIn()"),
                       IDS_MODEM_PART_COUNT_ZERO);
            return false;
        }
        return message == uint8_t(lastMessage_ + 1) && part == 1;
    }
    if (lastPart_ < lastCount_) {
        return message == lastMessage_ && part == lastPart_ + 1 && count == lastCount_;
    }
    return false;
}

namespace {
PartFate Judge(uint8_t message, uint8_t part, uint8_t count, uint8_t s, uint8_t p, uint8_t c,
               uint8_t aheadWindow) {
    const uint8_t ahead = uint8_t(message - s);
    if (ahead == 0) {
        if (part <= p) {
            return PartFate::AckAndDrop;  // taken in order already
        }
        return (p < c && count == c) ? PartFate::Hold : PartFate::Drop;
    }
    if (ahead <= aheadWindow) {
        return PartFate::Hold;
    }
    // Behind the receive position: received long ago.
    return PartFate::AckAndDrop;
}
}  // namespace

void CCommRx::Accept(std::vector<uint8_t> payload, uint32_t tag) {
    const uint8_t m = TagMessage(tag);
    const uint8_t p = TagPart(tag);
    const uint8_t count = TagCount(tag);
    SendAck(m, p);
    lastMessage_ = m;
    lastPart_ = p;
    lastCount_ = count;
    if (p == 1) {
        assembly_.push_back(MessageRecord{m, count, TagType(tag), {}, false});
    }
    for (auto it = assembly_.rbegin(); it != assembly_.rend(); ++it) {
        if (it->number == m && it->parts.size() + 1 == p) {
            it->parts.push_back(std::move(payload));
            return;
        }
    }
}

void CCommRx::TakeHeldParts() {
    // A taken part can make another held part the next one; walk again until none does.
    bool progress = true;
    while (progress) {
        progress = false;
        for (auto it = held_.begin(); it != held_.end();) {
            const uint8_t m = TagMessage(it->tag);
            const uint8_t p = TagPart(it->tag);
            const uint8_t count = TagCount(it->tag);
            if (IsNextExpected(m, p, count)) {
                HeldPart part = std::move(*it);
                it = held_.erase(it);
                Accept(std::move(part.payload), part.tag);
                progress = true;
                continue;
            }
            if (Judge(m, p, count, lastMessage_, lastPart_, lastCount_, kAheadWindow) !=
                PartFate::Hold) {
                log_.Write(kAddPacketIn, IDS_MODEM_HELD_DROPPED);
                it = held_.erase(it);
                continue;
            }
            ++it;
        }
    }
}

void CCommRx::AddPacketIn(std::span<const uint8_t> payload, uint32_t tag) {
    uint8_t type = TagType(tag);
    switch (type) {
        case PKT_DISCARD:
            return;
        case PKT_ACK:
            if (payload.size() >= 2) {
                HandleAck(payload[0], payload[1]);
            }
            return;
        case PKT_RESEND:
            if (payload.size() >= 2) {
                HandleResend(payload[0], payload[1]);
            }
            return;
        case PKT_PROBE:
            RequestResend();
            return;
        default:
            break;
    }
    if (!IsData(type)) {
        const int code = type & 0x7F;
        Post([this, code] { emit commControl(code); });
        return;
    }
    // The retransmission mark goes from every data part, empty ones included.
    type &= uint8_t(~0x40);
    tag = (tag & ~0xFFu) | type;
    lastRecvMs_ = clock_.NowMs();

    const uint8_t m = TagMessage(tag);
    const uint8_t p = TagPart(tag);
    const uint8_t count = TagCount(tag);
    if (count != 0 && (p == 0 || p > count)) {
        log_.Write(kAddPacketIn, IDS_MODEM_OLD_PACKET);
        return;
    }
    if (IsNextExpected(m, p, count)) {
        Accept(std::vector<uint8_t>(payload.begin(), payload.end()), tag);
        TakeHeldParts();
        if (!held_.empty()) {
            RequestResend();
        }
        if (deliveryEnabled_) {
            NotifyComplete();
        }
        return;
    }
    if (count == 0) {
        return;
    }
    const PartFate fate = Judge(m, p, count, lastMessage_, lastPart_, lastCount_, kAheadWindow);
    if (fate == PartFate::AckAndDrop) {
        log_.Write(kAddPacketIn, IDS_MODEM_OLD_PACKET);
        SendAck(m, p);
        return;
    }
    if (fate == PartFate::Drop) {
        log_.Write(kAddPacketIn, IDS_MODEM_OLD_PACKET);
        return;
    }
    for (const HeldPart& held : held_) {
        if (TagMessage(held.tag) == m && TagPart(held.tag) == p) {
            // Held already. Not acknowledged: an acknowledgement would also cover the
            // missing parts before it.
            log_.Write(kAddPacketIn, IDS_MODEM_OLD_PACKET);
            return;
        }
    }
    if (held_.size() >= kMaxHeld) {
        log_.Write(kAddPacketIn, IDS_MODEM_HELD_DROPPED);
        return;
    }
    log_.Write(kAddPacketIn, IDS_MODEM_OUT_OF_ORDER);
    held_.push_back(HeldPart{std::vector<uint8_t>(payload.begin(), payload.end()), tag});
    RequestResend();
}

void CCommRx::NotifyComplete() {
    for (MessageRecord& record : assembly_) {
        if (record.parts.size() < record.partCount) {
            break;
        }
        if (!record.notified) {
            record.notified = true;
            const int type = record.type;
            const int size = int(record.Size());
            Post([this, type, size] { emit commData(type, size); });
        }
    }
}

void CCommRx::WTimerUserOnTimer(WTimer&) {
    if (MayTransmit()) {
        modem_.PacketsAvailable(*this);
    }
    const int64_t now = clock_.NowMs();
    if (!sent_.empty() && now - lastXmitMs_ > kStallMs) {
        // Any part waiting unacknowledged on a quiet link is probed for, not only a full
        // window: a lost last part or last acknowledgement would otherwise wait for ever.
        Post([this] { emit commStatus(kCommStatusStalled, QString()); });
        log_.Write(kOnTimer, IDS_MODEM_XMIT_STALLED);
        QueueFront({}, MakePartTag(0, 1, 1, PKT_PROBE));
        lastXmitMs_ = now;
        if (++stallCount_ >= kAbortStalls) {
            stallCount_ = 0;
            Post([this] { emit commAbort(); });
        }
    }
    if (!held_.empty() && now - lastRecvMs_ > kReceptionStallMs) {
        log_.Write(kOnTimer, IDS_MODEM_RECV_STALLED);
        RequestResend();
        lastRecvMs_ = now;
    }
    if (sendQueue_.size() <= 1) {
        Post([this] { emit commReady(); });
    }
    FlushPosted();
}

void CCommRx::OnConnectionRing() {
    log_.Write(QStringLiteral("CCommRX::OnConnectionRing()"), IDS_MODEM_SPACE);
    Post([this] { emit commStatus(kCommStatusRinging, QString()); });
    FlushPosted();
}

void CCommRx::OnConnectionUp() {
    log_.Write(QStringLiteral("CCommRX::OnConnectionUp()"), IDS_MODEM_SPACE);
    if (!ownerSet_) {
        return;
    }
    Reset();
    lastXmitMs_ = clock_.NowMs();
    lastRecvMs_ = lastXmitMs_;
    Post([this] { emit commStatus(kCommStatusUp, QString()); });
    Post([this] { emit commReady(); });
    timer_.Start();
    FlushPosted();
}

void CCommRx::OnConnectionDown() {
    log_.Write(QStringLiteral("CCommRX::OnConnectionDown()"), IDS_MODEM_SPACE);
    Post([this] { emit commStatus(kCommStatusDown, QString()); });
    Post([this] { emit commDown(); });
    timer_.Stop();
    Close();
    FlushPosted();
}

void CCommRx::Post(std::function<void()> notification) {
    posted_.push_back(std::move(notification));
}

void CCommRx::FlushPosted() {
    if (flushing_) {
        return;
    }
    flushing_ = true;
    QPointer<CCommRx> self(this);
    while (!posted_.empty()) {
        std::function<void()> notification = std::move(posted_.front());
        posted_.erase(posted_.begin());
        notification();
        if (!self) {
            return;
        }
    }
    flushing_ = false;
}

}  // namespace korvex
