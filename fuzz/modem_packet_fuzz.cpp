// The reliable transfer fed arbitrary packets: tags, payload sizes and orders of any kind.
#include "modem/CommRx.h"
#include "modem/QtTimerScheduler.h"

#include <cstdlib>
#include <vector>

namespace {

class NoLines : public korvex::LineService {
public:
    std::vector<korvex::LineInfo> Lines() override { return {}; }
    std::unique_ptr<korvex::CTapiLine> CreateLine(int, korvex::CTapiLineUser&,
                                                  korvex::ModemLog&) override {
        return nullptr;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static NoLines lines;
    static korvex::QtTimerScheduler scheduler;
    static korvex::ModemLog log{QString()};
    korvex::ManualClock clock;
    korvex::CCommRx rx(lines, scheduler, clock, log, uint16_t(0x4321));
    rx.EnableDelivery(true);
    std::vector<uint8_t> message(2048);
    size_t pos = 0;
    // Each packet: 4 tag bytes, 1 length byte (times 3), payload.
    while (pos + 5 <= size) {
        const uint32_t tag = uint32_t(data[pos]) | uint32_t(data[pos + 1]) << 8 |
                             uint32_t(data[pos + 2]) << 16 | uint32_t(data[pos + 3]) << 24;
        const size_t length = std::min<size_t>(size_t(data[pos + 4]) * 3, size - pos - 5);
        rx.AddPacketIn(std::span<const uint8_t>(data + pos + 5, length), tag);
        pos += 5 + length;
        clock.AdvanceMs(data[pos - 1]);
        if (rx.HeldCount() > korvex::CCommRx::kMaxHeld) {
            std::abort();
        }
        if ((tag & 0x7) == 0) {
            const korvex::ReceivedMessage got =
                rx.ReadMessage(std::span<uint8_t>(message.data(), tag >> 29 << 8));
            if (!got.tooLarge && got.size > (tag >> 29 << 8)) {
                std::abort();
            }
        }
    }
    return 0;
}
