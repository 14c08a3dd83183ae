// The receive state machine fed arbitrary byte streams in arbitrary read sizes.
#include "modem/PacketReceiver.h"

#include <cstdlib>
#include <span>

namespace {

// Hands out the fuzz input in reads whose sizes the input itself chooses.
class FuzzPort : public korvex::CommPort {
public:
    FuzzPort(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    size_t WriteComm(std::span<const uint8_t> bytes) override { return bytes.size(); }
    size_t ReadComm(std::span<uint8_t> buffer) override {
        if (pos_ >= size_) {
            return 0;
        }
        size_t chunk = size_t(data_[pos_]) * 7 + 1;
        chunk = std::min({chunk, buffer.size(), size_ - pos_});
        std::copy_n(data_ + pos_, chunk, buffer.begin());
        pos_ += chunk;
        return chunk;
    }
    bool IsOpen() const override { return true; }
    bool LineLost() const override { return false; }
    void Close() override {}
    bool Done() const { return pos_ >= size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korvex::ModemLog log{QString()};
    korvex::PacketReceiver receiver(0x1234, log);
    FuzzPort port(data, size);
    uint8_t buffer[korvex::kMaxSentPayload];
    int idle = 0;
    while (idle < korvex::PacketReceiver::kReadStallSteps + 5) {
        receiver.Step(port);
        if (receiver.Buffered() > korvex::kReceiveBufferBytes) {
            std::abort();
        }
        while (receiver.State() == korvex::STATE_PacketReady) {
            const korvex::CommPacket packet = receiver.GetPacket(sizeof buffer, buffer, port);
            // A ready packet always fits a reader's buffer: longer ones are dropped.
            if (packet.length > sizeof buffer) {
                std::abort();
            }
        }
        idle = port.Done() ? idle + 1 : 0;
    }
    return 0;
}
