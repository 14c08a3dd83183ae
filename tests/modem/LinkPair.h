#pragma once

#include "LossyLine.h"
#include "ManualScheduler.h"
#include "MemoryLineService.h"
#include "OwnerRecord.h"
#include "modem/CommRx.h"
#include "support/TempDir.h"

#include <QFile>

#include <vector>

namespace korvex::test {

// Two link ends in simulated time over one in-memory line: "a" calls, "b" listens.
class LinkPair {
public:
    explicit LinkPair(LineFaults faults = {})
        : line(clock, faults),
          board(line),
          serviceA(board, QStringLiteral("A"), 0),
          serviceB(board, QStringLiteral("B"), 1),
          logA(dir.File(QStringLiteral("modemlogA.txt"))),
          logB(dir.File(QStringLiteral("modemlogB.txt"))),
          a(serviceA, scheduler, clock, logA, 0x1111),
          b(serviceB, scheduler, clock, logB, 0x2222) {
        ownerA.Attach(a);
        ownerB.Attach(b);
    }

    bool Connect() {
        if (!b.Listen(-1) || !a.Call(QStringLiteral("B"), -1)) {
            return false;
        }
        return scheduler.RunUntil([this] { return a.IsConnected() && b.IsConnected(); }, 10000);
    }

    static QString LogOf(const ModemLog& log) {
        QFile file(log.Path());
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll());
    }

    TempDir dir;
    ManualClock clock;
    ManualScheduler scheduler{clock};
    LossyLine line;
    Switchboard board;
    MemoryLineService serviceA;
    MemoryLineService serviceB;
    ModemLog logA;
    ModemLog logB;
    CCommRx a;
    CCommRx b;
    OwnerRecord ownerA;
    OwnerRecord ownerB;
};

// The part tag of a header write, if the bytes are one.
inline std::optional<uint32_t> HeaderTag(std::span<const uint8_t> bytes) {
    if (bytes.size() != 16 || bytes[0] != 0xFE || bytes[1] != 0xED || bytes[2] != 0xDC ||
        bytes[3] != 0xCA) {
        return std::nullopt;
    }
    return uint32_t(bytes[12]) | uint32_t(bytes[13]) << 8 | uint32_t(bytes[14]) << 16 |
           uint32_t(bytes[15]) << 24;
}

}  // namespace korvex::test
