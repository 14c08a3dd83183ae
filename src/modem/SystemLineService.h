#pragma once

#include "common/SettingsStore.h"
#include "modem/LineService.h"

#include <QHostAddress>
#include <QStringList>

#include <optional>

namespace korvex {

// Where the lines of this machine are: the network line's listening address and port, and
// the serial devices to look for modems on.
struct LineConfig {
    QHostAddress listenAddress = QHostAddress::Any;
    quint16 listenPort = 7431;
    QStringList devices;
    int probeTimeoutMs = 300;
};

// "CallSetup" / "ListenAddress" and "ListenPort", and every /dev/ttyS*, /dev/ttyUSB* and
// /dev/ttyACM*.
LineConfig LineConfigFromSettings(const SettingsStore& settings);

// The lines of this machine: "Network (TCP)" first and always, then every serial device on
// which a modem answers "AT" with "OK", named "Modem on <device>".
class SystemLineService : public LineService {
public:
    explicit SystemLineService(LineConfig config);

    std::vector<LineInfo> Lines() override;
    std::unique_ptr<CTapiLine> CreateLine(int index, CTapiLineUser& user, ModemLog& log) override;

    // The devices among `devices` on which a modem answers "AT" with "OK" within
    // `timeoutMs`. All are asked at once, so many silent ports cost one time-out.
    static QStringList ProbeModems(const QStringList& devices, int timeoutMs);

private:
    LineConfig config_;
    std::optional<QStringList> modems_;
};

}  // namespace korvex
