#include "modem/SystemLineService.h"

#include "common/StringTable.h"
#include "common/strings/ModemStrings.h"
#include "modem/HayesModemLine.h"
#include "modem/TcpLine.h"
#include "modem/UniqueFd.h"

#include <QDir>
#include <QElapsedTimer>

#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace korvex {

LineConfig LineConfigFromSettings(const SettingsStore& settings) {
    LineConfig config;
    config.listenPort = quint16(settings.Read(settings::kListenPort));
    const QString address = settings.Read(settings::kListenAddress).trimmed();
    if (!address.isEmpty()) {
        config.listenAddress = QHostAddress(address);
    }
    const QDir dev(QStringLiteral("/dev"));
    for (const QString& name : dev.entryList(
             {QStringLiteral("ttyS*"), QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")},
             QDir::System | QDir::Files, QDir::Name)) {
        config.devices.append(dev.filePath(name));
    }
    return config;
}

SystemLineService::SystemLineService(LineConfig config) : config_(std::move(config)) {}

QStringList SystemLineService::ProbeModems(const QStringList& devices, int timeoutMs) {
    struct Probe {
        QString device;
        UniqueFd fd;
        QByteArray reply;
        bool answered = false;
    };
    std::vector<Probe> probes;
    for (const QString& device : devices) {
        UniqueFd fd(HayesModemLine::OpenPort(device));
        if (!fd.Valid()) {
            continue;  // no such hardware, or in use
        }
        tcflush(fd.Get(), TCIOFLUSH);
        if (::write(fd.Get(), "AT\r", 3) != 3) {
            continue;
        }
        probes.push_back(Probe{device, std::move(fd), {}, false});
    }
    QElapsedTimer elapsed;
    elapsed.start();
    size_t waiting = probes.size();
    while (waiting > 0 && elapsed.elapsed() < timeoutMs) {
        std::vector<pollfd> fds;
        std::vector<Probe*> owners;
        for (Probe& probe : probes) {
            if (!probe.answered && probe.fd.Valid()) {
                fds.push_back(pollfd{probe.fd.Get(), POLLIN, 0});
                owners.push_back(&probe);
            }
        }
        if (fds.empty() ||
            ::poll(fds.data(), fds.size(), int(timeoutMs - elapsed.elapsed())) <= 0) {
            break;
        }
        for (size_t i = 0; i < fds.size(); ++i) {
            if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                continue;
            }
            char bytes[128];
            const ssize_t got = ::read(fds[i].fd, bytes, sizeof bytes);
            Probe& probe = *owners[i];
            if (got <= 0) {
                probe.fd.Reset();
                --waiting;
                continue;
            }
            probe.reply.append(bytes, got);
            if (probe.reply.contains("OK")) {
                probe.answered = true;
                --waiting;
            } else if (probe.reply.size() > 512) {
                probe.fd.Reset();
                --waiting;
            }
        }
    }
    QStringList modems;
    for (const Probe& probe : probes) {
        if (probe.answered) {
            modems.append(probe.device);
        }
    }
    return modems;
}

std::vector<LineInfo> SystemLineService::Lines() {
    if (!modems_) {
        modems_ = ProbeModems(config_.devices, config_.probeTimeoutMs);
    }
    std::vector<LineInfo> lines{{0, Str(IDS_MODEM_LINE_TCP)}};
    for (const QString& device : *modems_) {
        lines.push_back({int(lines.size()), Str(IDS_MODEM_LINE_MODEM).arg(device)});
    }
    return lines;
}

std::unique_ptr<CTapiLine> SystemLineService::CreateLine(int index, CTapiLineUser& user,
                                                         ModemLog& log) {
    if (index < 0) {
        index = 0;
    }
    if (index == 0) {
        return std::make_unique<TcpLine>(config_.listenAddress, config_.listenPort, user, log);
    }
    Lines();
    if (index > modems_->size()) {
        log.Write(QStringLiteral("lineOpen"), IDS_MODEM_ERR_BADDEVICEID);
        return nullptr;
    }
    return std::make_unique<HayesModemLine>((*modems_)[index - 1], user, log);
}

}  // namespace korvex
