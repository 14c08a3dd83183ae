#pragma once

#include "modem/TapiLine.h"
#include "modem/UniqueFd.h"

#include <QByteArray>
#include <QSocketNotifier>

#include <memory>

namespace korvex {

// A Hayes-compatible modem on a serial port. Dials with ATDT, answers RING with ATA, hangs
// up by dropping DTR and ATH; the modem's replies become call states. After CONNECT the
// same port carries the call's bytes.
class HayesModemLine : public CTapiLine {
    Q_OBJECT
public:
    HayesModemLine(QString device, CTapiLineUser& user, ModemLog& log);
    ~HayesModemLine() override;

    bool Open(bool acceptCalls) override;
    void Close() override;
    bool MakeCall(const QString& number) override;
    bool Answer() override;
    void Drop() override;
    std::unique_ptr<CommPort> GetCommPort(const Clock& clock) override;
    QString Address() const override { return device_; }

    // Opens `device` as a raw, non-blocking port at its current speed; -1 on failure.
    static int OpenPort(const QString& device);

private:
    enum class Phase { Idle, Dialing, Answering, Connected };

    void OnReadable();
    void OnReply(const QByteArray& line);
    bool Send(const QByteArray& command);

    QString device_;
    UniqueFd fd_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QByteArray pending_;
    Phase phase_ = Phase::Idle;
};

}  // namespace korvex
