#pragma once

#include "LossyLine.h"
#include "modem/LineService.h"
#include "modem/TapiLine.h"

#include <QPointer>

#include <map>

namespace korvex::test {

class MemoryLine;

// Connects memory lines by number; the two ends of a call talk over one LossyLine.
struct Switchboard {
    explicit Switchboard(LossyLine& line) : line(line) {}
    LossyLine& line;
    std::map<QString, QPointer<MemoryLine>> listeners;
};

// A port handed to a call: one end of the lossy line, closed on its own.
class MemoryPort : public CommPort {
public:
    explicit MemoryPort(LossyLine::End& end) : end_(end) {}
    size_t WriteComm(std::span<const uint8_t> bytes) override {
        return open_ ? end_.WriteComm(bytes) : 0;
    }
    size_t ReadComm(std::span<uint8_t> buffer) override {
        return open_ ? end_.ReadComm(buffer) : 0;
    }
    bool IsOpen() const override { return open_; }
    bool LineLost() const override { return end_.LineLost(); }
    void Close() override { open_ = false; }

private:
    LossyLine::End& end_;
    bool open_ = true;
};

// A line in memory: calls reach the line listening under the dialled number, which is
// offered the call and connects both when it answers.
class MemoryLine : public CTapiLine {
public:
    MemoryLine(Switchboard& board, QString number, int side, CTapiLineUser& user, ModemLog& log)
        : CTapiLine(user, log), board_(board), number_(std::move(number)), side_(side) {}

    bool Open(bool acceptCalls) override {
        if (acceptCalls) {
            board_.listeners[number_] = this;
        }
        return true;
    }
    void Close() override {
        auto it = board_.listeners.find(number_);
        if (it != board_.listeners.end() && it->second == this) {
            board_.listeners.erase(it);
        }
        Drop();
    }
    bool MakeCall(const QString& number) override {
        auto it = board_.listeners.find(number);
        if (it == board_.listeners.end() || !it->second) {
            LineMessage message;
            message.state = LineCallState::Disconnected;
            message.disconnectMode = DisconnectMode::Unreachable;
            NotifyLater(message);
            return true;
        }
        peer_ = it->second;
        peer_->Offer(this);
        return true;
    }
    bool Answer() override {
        if (!peer_) {
            return false;
        }
        peer_->Connect();
        Connect();
        return true;
    }
    void Drop() override { peer_ = nullptr; }
    std::unique_ptr<CommPort> GetCommPort(const Clock&) override {
        return std::make_unique<MemoryPort>(side_ == 0 ? board_.line.A() : board_.line.B());
    }
    QString Address() const override { return number_; }

    void Offer(MemoryLine* caller) {
        peer_ = caller;
        LineMessage message;
        message.state = LineCallState::Offering;
        NotifyLater(message);
    }
    void Connect() {
        LineMessage message;
        message.state = LineCallState::Connected;
        NotifyLater(message);
    }

private:
    Switchboard& board_;
    QString number_;
    int side_;
    QPointer<MemoryLine> peer_;
};

class MemoryLineService : public LineService {
public:
    MemoryLineService(Switchboard& board, QString number, int side)
        : board_(board), number_(std::move(number)), side_(side) {}
    std::vector<LineInfo> Lines() override { return {{0, QStringLiteral("Memory line")}}; }
    std::unique_ptr<CTapiLine> CreateLine(int index, CTapiLineUser& user, ModemLog& log) override {
        if (index > 0) {
            return nullptr;
        }
        return std::make_unique<MemoryLine>(board_, number_, side_, user, log);
    }

private:
    Switchboard& board_;
    QString number_;
    int side_;
};

}  // namespace korvex::test
